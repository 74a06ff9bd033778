#pragma once
// For runs nobody watches (--screenshot): every modal box or dialog still opens, but if it is
// still open after a few seconds it is answered as Enter or Esc would (a box with its default
// button, a dialog cancelled), and stderr says what was answered. Nothing waits for a user.
#include "platform/ui/default_modal_seam.h"

#include <cstdio>

namespace host {

class UnattendedModalSeam : public platform::ui::ModalSeam {
public:
    explicit UnattendedModalSeam(int answerAfterMs = 3000, std::FILE* log = stderr)
        : m_answerAfterMs(answerAfterMs), m_log(log) {}

    int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style) override;
    std::optional<std::string> SaveAs(QWidget* owner, const std::string& proposedPath, const std::string& filter,
                                      const std::string& caption) override;
    std::optional<platform::ui::FontChoice> ChooseFont(QWidget* owner,
                                                       const platform::ui::FontChoice& initial) override;
    int RunModal(QDialog* dialog) override;

    // Answers whatever modal window is on top now; false when there is none.
    bool AnswerTopModal();

private:
    template <typename Run>
    auto Watched(Run run);

    platform::ui::DefaultModalSeam m_real;
    int m_answerAfterMs;
    std::FILE* m_log;
};

}  // namespace host
