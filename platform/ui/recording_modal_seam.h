#pragma once
// A modal seam for tests: logs every call and answers at once from a script, never blocking.
#include "platform/ui/modal_seam.h"

#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

class QWidget;

namespace platform::ui {

class RecordingModalSeam : public ModalSeam {
public:
    enum class Kind { MessageBox, SaveAs, ChooseFont, RunModal };

    struct Call {
        Kind kind;
        QPointer<QWidget> owner;   // the owner widget (the dialog itself for RunModal)
        std::string text;          // message box text (CP932)
        std::string caption;       // message box or save-as caption (CP932)
        unsigned style = 0;        // message box MB_* flags
        std::string proposedPath;  // save-as proposal (CP932)
        std::string filter;        // save-as filter
        FontChoice font;           // font dialog seed
        QString dialogClass;       // RunModal: the dialog's class name
        QString dialogTitle;       // RunModal: the dialog's window title
    };

    // What a RunModal answers: action (if any) runs with the dialog shown, as a user would act on
    // it; then result, or when it has none, the result the action left (done/accept/reject).
    struct ModalAnswer {
        std::function<void(QDialog*)> action;
        std::optional<int> result;
    };

    // Each kind takes answers from its own queue, then its default.
    void AnswerMessageBox(int id);
    void SetDefaultMessageBoxAnswer(int id);  // starts as IDOK
    void AnswerSaveAs(std::optional<std::string> path);
    void SetDefaultSaveAsAnswer(std::optional<std::string> path);  // starts as cancel
    void AnswerChooseFont(std::optional<FontChoice> font);
    void SetDefaultChooseFontAnswer(std::optional<FontChoice> font);  // starts as cancel
    void AnswerRunModal(int result, std::function<void(QDialog*)> action = {});
    void AnswerRunModal(std::function<void(QDialog*)> action);  // result from what the action did
    void SetDefaultRunModalAnswer(ModalAnswer answer);  // starts as Rejected with no action

    const std::vector<Call>& Calls() const { return m_calls; }
    std::vector<Call> CallsOf(Kind kind) const;
    int CountOf(Kind kind) const;
    void ClearCalls() { m_calls.clear(); }

    int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style) override;
    std::optional<std::string> SaveAs(QWidget* owner, const std::string& proposedPath, const std::string& filter,
                                      const std::string& caption) override;
    std::optional<FontChoice> ChooseFont(QWidget* owner, const FontChoice& initial) override;
    int RunModal(QDialog* dialog) override;

private:
    std::vector<Call> m_calls;
    std::deque<int> m_messageBoxAnswers;
    int m_defaultMessageBox = 1;
    std::deque<std::optional<std::string>> m_saveAsAnswers;
    std::optional<std::string> m_defaultSaveAs;
    std::deque<std::optional<FontChoice>> m_fontAnswers;
    std::optional<FontChoice> m_defaultFont;
    std::deque<ModalAnswer> m_modalAnswers;
    ModalAnswer m_defaultModal;
};

}  // namespace platform::ui
