#include "platform/ui/recording_modal_seam.h"

#include <QDialog>
#include <QWidget>
#include <algorithm>

namespace platform::ui {
namespace {

template <typename T>
T Next(std::deque<T>& queue, const T& fallback) {
    if (queue.empty()) return fallback;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

}  // namespace

void RecordingModalSeam::AnswerMessageBox(int id) { m_messageBoxAnswers.push_back(id); }
void RecordingModalSeam::SetDefaultMessageBoxAnswer(int id) { m_defaultMessageBox = id; }
void RecordingModalSeam::AnswerSaveAs(std::optional<std::string> path) { m_saveAsAnswers.push_back(std::move(path)); }
void RecordingModalSeam::SetDefaultSaveAsAnswer(std::optional<std::string> path) { m_defaultSaveAs = std::move(path); }
void RecordingModalSeam::AnswerChooseFont(std::optional<FontChoice> font) { m_fontAnswers.push_back(std::move(font)); }
void RecordingModalSeam::SetDefaultChooseFontAnswer(std::optional<FontChoice> font) { m_defaultFont = std::move(font); }

void RecordingModalSeam::AnswerRunModal(int result, std::function<void(QDialog*)> action) {
    m_modalAnswers.push_back({std::move(action), result});
}

void RecordingModalSeam::AnswerRunModal(std::function<void(QDialog*)> action) {
    m_modalAnswers.push_back({std::move(action), std::nullopt});
}

void RecordingModalSeam::SetDefaultRunModalAnswer(ModalAnswer answer) { m_defaultModal = std::move(answer); }

std::vector<RecordingModalSeam::Call> RecordingModalSeam::CallsOf(Kind kind) const {
    std::vector<Call> out;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(out),
                 [kind](const Call& call) { return call.kind == kind; });
    return out;
}

int RecordingModalSeam::CountOf(Kind kind) const {
    return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(),
                                          [kind](const Call& call) { return call.kind == kind; }));
}

int RecordingModalSeam::MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                                   unsigned style) {
    Call call{Kind::MessageBox, owner, text, caption, style, {}, {}, {}, {}, {}};
    m_calls.push_back(std::move(call));
    return Next(m_messageBoxAnswers, m_defaultMessageBox);
}

std::optional<std::string> RecordingModalSeam::SaveAs(QWidget* owner, const std::string& proposedPath,
                                                      const std::string& filter, const std::string& caption) {
    Call call{Kind::SaveAs, owner, {}, caption, 0, proposedPath, filter, {}, {}, {}};
    m_calls.push_back(std::move(call));
    return Next(m_saveAsAnswers, m_defaultSaveAs);
}

std::optional<FontChoice> RecordingModalSeam::ChooseFont(QWidget* owner, const FontChoice& initial) {
    Call call{Kind::ChooseFont, owner, {}, {}, 0, {}, {}, initial, {}, {}};
    m_calls.push_back(std::move(call));
    return Next(m_fontAnswers, m_defaultFont);
}

int RecordingModalSeam::RunModal(QDialog* dialog) {
    Call call{Kind::RunModal, dialog, {}, {}, 0, {}, {}, {}, {}, {}};
    if (dialog) {
        call.dialogClass = QString::fromLatin1(dialog->metaObject()->className());
        call.dialogTitle = dialog->windowTitle();
    }
    m_calls.push_back(std::move(call));
    const ModalAnswer answer = Next(m_modalAnswers, m_defaultModal);
    if (!dialog) return answer.result.value_or(QDialog::Rejected);

    // Shown as exec() would show it, so initialisation done on show runs and clicks land.
    // finished() still reports the code when closing deletes the dialog.
    QPointer<QDialog> guard(dialog);
    int finishedWith = QDialog::Rejected;
    const auto connection = QObject::connect(dialog, &QDialog::finished, [&finishedWith](int code) { finishedWith = code; });
    dialog->setResult(QDialog::Rejected);
    dialog->show();
    if (answer.action) answer.action(dialog);
    if (!guard) return answer.result.value_or(finishedWith);
    QObject::disconnect(connection);
    const int result = answer.result.value_or(dialog->result());
    dialog->setResult(result);
    dialog->hide();
    return result;
}

}  // namespace platform::ui
