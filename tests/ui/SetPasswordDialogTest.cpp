// Tools > "&Set password" through the picture view's command over a real database: refused
// entries keep the dialog open with empty fields, an accepted one is stored and a second
// instance asks for it, a changed one replaces it, and "&Reset password" removes it.
#include "ui/dialogs/SetPasswordDialog.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

class CAnsweringPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view text) override {
        messages.emplace_back(text);
        return yes;
    }
    std::vector<std::string> messages;
    bool yes = false;
};

// A second instance's question: answers with answer and counts the questions.
class CAnsweringPasswordDialog : public IPasswordDialog {
public:
    explicit CAnsweringPasswordDialog(std::string answer) : m_answer(std::move(answer)) {}
    bool AskPassword(std::string& entered) override {
        ++asked;
        entered = m_answer;
        return true;
    }
    int asked = 0;

private:
    std::string m_answer;
};

// Types first and second into the dialog's fields and presses button.
void Enter(QWidget* dialog, const QString& first, const QString& second,
           const char* button = "ok") {
    auto* one = dialog->findChild<QLineEdit*>("password");
    auto* two = dialog->findChild<QLineEdit*>("passwordAgain");
    one->setText(first);
    two->setText(second);
    QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
}

bool FieldsEmpty(QWidget* dialog) {
    return dialog->findChild<QLineEdit*>("password")->text().isEmpty() &&
           dialog->findChild<QLineEdit*>("passwordAgain")->text().isEmpty();
}

} // namespace

class SetPasswordDialogTest : public QObject, CViewFixture<IViewFrame, CAnsweringPrompt> {
    Q_OBJECT

private:
    // How many times a second instance opening the database asks, answering answer; -1 when
    // it cannot open it.
    int SecondInstanceQuestions(const std::string& answer) {
        ArmPasswordCheck();
        CPictureDatabase second;
        CAnsweringPasswordDialog dialog(answer);
        if (!OpenForDocument(second, m_path, dialog))
            return -1;
        return dialog.asked;
    }

    std::string m_path;

private slots:
    void init() {
        QVERIFY(OpenView(QSize()));
        m_path = Path("pics.PXM");
        QVERIFY(m_view->OpenInitialDatabase(m_path));
    }
    void cleanup() { CloseView(); }

    void setChangeAndResetPassword() {
        WhenModal([](QWidget* dialog) { Enter(dialog, "other", "other", "cancel"); });
        m_router->Run(CommandId::setPassword);
        std::string stored;
        QVERIFY(m_doc->Database().GetPassword(stored));
        QCOMPARE(stored, std::string()); // Cancel stores nothing

        bool stayedOpen = false;
        WhenModal([&](QWidget* dialog) {
            Enter(dialog, "abc", "abc");
            stayedOpen = dialog->isVisible() && FieldsEmpty(dialog);
            Enter(dialog, "abcd", "abcD");
            stayedOpen = stayedOpen && dialog->isVisible() && FieldsEmpty(dialog);
            Enter(dialog, "abcd", "abcd");
        });
        QCOMPARE(m_router->Run(CommandId::setPassword), 1);
        QVERIFY(stayedOpen);
        QCOMPARE(m_prompt.messages,
                 (std::vector<std::string>{"Password too short.", "Invalid password."}));
        QVERIFY(m_doc->Database().GetPassword(stored));
        QCOMPARE(stored, std::string("abcd"));

        // A second instance (which opens the files read-only beside this one) asks for it.
        QCOMPARE(SecondInstanceQuestions("abcd"), 1);

        // Changing needs no old password; twelve characters are kept whole.
        WhenModal([](QWidget* dialog) { Enter(dialog, "twelve-chars", "twelve-chars"); });
        m_router->Run(CommandId::setPassword);
        QVERIFY(m_doc->Database().GetPassword(stored));
        QCOMPARE(stored, std::string("twelve-chars"));

        // "&Reset password": No keeps the dialog open, Yes removes the password.
        bool keptOnNo = false;
        WhenModal([&](QWidget* dialog) {
            m_prompt.yes = false;
            Enter(dialog, "", "", "reset");
            keptOnNo = dialog->isVisible();
            m_prompt.yes = true;
            Enter(dialog, "", "", "reset");
        });
        m_router->Run(CommandId::setPassword);
        QVERIFY(keptOnNo);
        QVERIFY(m_doc->Database().GetPassword(stored));
        QCOMPARE(stored, std::string());
    }
};

QTEST_MAIN(SetPasswordDialogTest)
#include "SetPasswordDialogTest.moc"
