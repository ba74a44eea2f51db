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

    std::unique_ptr<QWidget> m_window;
    CZoomBox* m_box = nullptr;
    QWidget* m_view = nullptr;

private slots:
    void init() {
        m_window = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(m_window.get());
        layout->addWidget(m_box = new CZoomBox(m_window.get()));
        layout->addWidget(m_view = new QWidget(m_window.get()));
        m_view->setFocusPolicy(Qt::StrongFocus);
        m_box->SetFocusTarget(m_view);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    // Enter applies the number before the percent sign: above 500 (up to no int) as 500,
    // shown so; a negative one passed on (the frame's limit caps it); no number, nothing;
    // "fit", Fit. Nothing typed joins the list.
    void enterAppliesTheTypedValue() {
        QSignalSpy chosen(m_box, &CZoomBox::zoomValueChosen);
        QSignalSpy fit(m_box, &CZoomBox::fitChosen);
        const int items = m_box->count();
        const std::tuple<const char*, int, const char*> cases[] = {{"750", 500, "500 %"},
                                                                   {"35", 35, "35"},
                                                                   {"-5", -5, "-5"},
                                                                   {"abc", 0, "abc"},
                                                                   {"fit", 0, "fit"}};
        for (const auto& [typed, value, shown] : cases) {
            chosen.clear();
            m_box->setFocus();
            QTRY_VERIFY(m_box->hasFocus());
            m_box->lineEdit()->selectAll();
            QTest::keyClicks(QApplication::focusWidget(), typed);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(chosen.size(), value ? 1 : 0);
            if (value)
                QCOMPARE(chosen.at(0).at(0).toInt(), value);
            QCOMPARE(m_box->currentText(), QString(shown));
        }
        QCOMPARE(fit.size(), 1);
        QCOMPARE(m_box->count(), items);
    }

    // A chosen item is applied (the last one is Fit) and the focus goes back to the view.
    void choosingAnItemAppliesItAndFocusesTheView() {
        QSignalSpy chosen(m_box, &CZoomBox::zoomValueChosen);
        QSignalSpy fit(m_box, &CZoomBox::fitChosen);
        for (const int row : {4, m_box->count() - 1}) {
            m_box->setFocus();
            QTRY_VERIFY(m_box->hasFocus());
            m_box->showPopup();
            QTRY_VERIFY(m_box->view()->isVisible());
            m_box->view()->setCurrentIndex(m_box->model()->index(row, 0));
            QTest::keyClick(m_box->view(), Qt::Key_Return);
            QTRY_VERIFY(m_view->hasFocus());
        }
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), 50);
        QCOMPARE(fit.size(), 1);
    }
};

QTEST_MAIN(ZoomBoxTest)
#include "ZoomBoxTest.moc"
