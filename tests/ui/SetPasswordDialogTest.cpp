// Tools > "&Set password" through the picture view's command over a real database: refused
// entries keep the dialog open with empty fields, an accepted one is stored and a second
// instance asks for it, a changed one replaces it, and "&Reset password" removes it.
#include "ui/dialogs/SetPasswordDialog.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"

namespace {

// Types first and second into the dialog's fields and presses button; whether the dialog
// then stays open with both fields emptied.
bool Enter(QWidget* dialog, const QString& first, const QString& second,
           const char* button = "ok") {
    auto* one = Child<QLineEdit>(dialog, "password");
    auto* two = Child<QLineEdit>(dialog, "passwordAgain");
    one->setText(first);
    two->setText(second);
    Click(dialog, button);
    return dialog->isVisible() && (one->text() + two->text()).isEmpty();
}

// A second instance's question: answers with answer and counts the questions.
class CAnsweringPasswordDialog : public IPasswordDialog {
public:
    bool AskPassword(std::string& entered) override {
        ++asked;
        entered = "abcd";
        return true;
    }
    int asked = 0;
};

} // namespace

class SetPasswordDialogTest : public QObject, CViewFixture<> {
    Q_OBJECT

    std::string Stored() {
        std::string stored = "(unread)";
        m_doc->Database().GetPassword(stored);
        return stored;
    }
    // Runs the command, entering (first, second, button) in turn; whether each entry but
    // the last left the dialog open and emptied.
    bool SetPassword(const std::vector<std::tuple<QString, QString, const char*>>& entries) {
        bool stayed = true;
        WhenModal([&](QWidget* dialog) {
            for (std::size_t i = 0; i < entries.size(); ++i) {
                const auto& [first, second, button] = entries[i];
                const bool open = Enter(dialog, first, second, button);
                stayed = stayed && (i + 1 == entries.size() || open);
            }
        });
        m_router->Run(CommandId::setPassword);
        return stayed;
    }

private slots:
    void init() {
        QVERIFY(OpenView(QSize()));
        QVERIFY(m_view->OpenInitialDatabase(Path("pics.PXM")));
    }
    void cleanup() { CloseView(); }

    void setChangeAndResetPassword() {
        SetPassword({{"other", "other", "cancel"}});
        QCOMPARE(Stored(), std::string());
        QVERIFY(
            SetPassword({{"abc", "abc", "ok"}, {"abcd", "abcD", "ok"}, {"abcd", "abcd", "ok"}}));
        QCOMPARE(m_prompt.messages,
                 (std::vector<std::string>{"Password too short.", "Invalid password."}));
        QCOMPARE(Stored(), std::string("abcd"));
        // A second instance (which opens the files read-only beside this one) asks for it.
        CPictureDatabase::ArmPasswordCheck();
        CPictureDatabase second;
        CAnsweringPasswordDialog dialog;
        QVERIFY(second.OpenForDocument(Path("pics.PXM"), dialog));
        QCOMPARE(dialog.asked, 1);
        // Changing needs no old password; twelve characters are kept whole.
        SetPassword({{"twelve-chars", "twelve-chars", "ok"}});
        QCOMPARE(Stored(), std::string("twelve-chars"));
        // "&Reset password": No keeps the dialog open, Yes removes the password.
        m_prompt.answers = {false, true};
        QVERIFY(SetPassword({{"", "", "reset"}, {"", "", "reset"}}));
        QCOMPARE(Stored(), std::string());
    }
};

QTEST_MAIN(SetPasswordDialogTest)
#include "SetPasswordDialogTest.moc"
