// The toolbar's zoom box: reading a typed or chosen value, the 500 % limit and the focus
// going back to the view.
#include "app/ZoomBox.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

class ZoomBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void parsesTheNumberBeforeThePercentSign_data();
    void parsesTheNumberBeforeThePercentSign();
    void enterAppliesTheTypedValue();
    void choosingAnItemAppliesItAndFocusesTheView();
    void choosingFitAsksForFitOnly();

private:
    void TypeAndEnter(const QString& text);

    std::unique_ptr<QWidget> m_window;
    CZoomBox* m_box = nullptr;
    QWidget* m_view = nullptr;
};

void ZoomBoxTest::init() {
    m_window = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(m_window.get());
    m_box = new CZoomBox(m_window.get());
    m_view = new QWidget(m_window.get());
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->setMinimumSize(100, 100);
    layout->addWidget(m_box);
    layout->addWidget(m_view);
    m_box->SetFocusTarget(m_view);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void ZoomBoxTest::cleanup() {
    m_window.reset();
}

void ZoomBoxTest::TypeAndEnter(const QString& text) {
    m_box->setFocus();
    QTRY_VERIFY(m_box->hasFocus());
    m_box->lineEdit()->selectAll();
    // Keys go where the application sends them: the focus widget.
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

void ZoomBoxTest::parsesTheNumberBeforeThePercentSign_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("item") << "50 %" << 50;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("trailing text") << "120abc" << 120;
    QTest::newRow("after percent ignored") << "%75" << 0;
    QTest::newRow("negative") << "-20 %" << -20;
    QTest::newRow("huge") << "99999999999999999999" << 2147483647;
}

void ZoomBoxTest::parsesTheNumberBeforeThePercentSign() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(CZoomBox::ParseZoomText(text), value);
}

// Enter applies the typed value: above 500 as 500, shown so; a negative one passed on (the
// frame's limit caps it); no number, nothing. Nothing typed joins the list.
void ZoomBoxTest::enterAppliesTheTypedValue() {
    QSignalSpy chosen(m_box, &CZoomBox::zoomValueChosen);
    const int items = m_box->count();
    const std::tuple<const char*, int, const char*> cases[] = {
        {"750", 500, "500 %"}, {"35", 35, "35"}, {"-5", -5, "-5"}, {"abc", 0, "abc"}};
    for (const auto& [typed, value, shown] : cases) {
        chosen.clear();
        TypeAndEnter(typed);
        QCOMPARE(chosen.size(), value ? 1 : 0);
        if (value)
            QCOMPARE(chosen.at(0).at(0).toInt(), value);
        QCOMPARE(m_box->currentText(), QString(shown));
    }
    QCOMPARE(m_box->count(), items);
}

void ZoomBoxTest::choosingAnItemAppliesItAndFocusesTheView() {
    QSignalSpy chosen(m_box, &CZoomBox::zoomValueChosen);
    m_box->setFocus();
    QTRY_VERIFY(m_box->hasFocus());
    m_box->showPopup();
    QTRY_VERIFY(m_box->view()->isVisible());
    const QModelIndex item = m_box->model()->index(4, 0);
    m_box->view()->setCurrentIndex(item);
    QTest::keyClick(m_box->view(), Qt::Key_Return);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), 50);
    QTRY_VERIFY(m_view->hasFocus());
}

void ZoomBoxTest::choosingFitAsksForFitOnly() {
    QSignalSpy chosen(m_box, &CZoomBox::zoomValueChosen);
    QSignalSpy fit(m_box, &CZoomBox::fitChosen);
    m_box->setFocus();
    m_box->showPopup();
    QTRY_VERIFY(m_box->view()->isVisible());
    m_box->view()->setCurrentIndex(m_box->model()->index(m_box->count() - 1, 0));
    QTest::keyClick(m_box->view(), Qt::Key_Return);
    QCOMPARE(fit.size(), 1);
    QTRY_VERIFY(m_view->hasFocus());
    TypeAndEnter("fit");
    QCOMPARE(fit.size(), 2);
    QCOMPARE(chosen.size(), 0);
}

QTEST_MAIN(ZoomBoxTest)
#include "ZoomBoxTest.moc"
