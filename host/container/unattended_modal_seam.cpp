#include "host/container/unattended_modal_seam.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace host {

bool UnattendedModalSeam::AnswerTopModal() {
    QWidget* top = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<QDialog*>(top);
    if (!dialog) return false;
    const QString title = dialog->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        QString text = box->text();
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        QAbstractButton* answer = box->defaultButton();
        if (!answer) answer = box->escapeButton();
        std::fprintf(m_log, "moneko: nobody is watching: answered the box \"%s\" (%s) with %s\n",
                     text.toLocal8Bit().constData(), title.toLocal8Bit().constData(),
                     answer ? answer->text().toLocal8Bit().constData() : "Esc");
        std::fflush(m_log);
        if (answer) answer->click();
        else box->reject();
        return true;
    }
    std::fprintf(m_log, "moneko: nobody is watching: closed the dialog \"%s\" as Esc would\n",
                 title.toLocal8Bit().constData());
    std::fflush(m_log);
    dialog->reject();
    return true;
}

template <typename Run>
auto UnattendedModalSeam::Watched(Run run) {
    // The timer lives as long as this modal run: one that ends in time is never answered.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this, &timer] {
        // Still waiting: answer the top one; if something else is on top, look again later.
        if (!AnswerTopModal()) timer.start(m_answerAfterMs);
    });
    timer.start(m_answerAfterMs);
    return run();
}

int UnattendedModalSeam::MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                                    unsigned style) {
    return Watched([&] { return m_real.MessageBox(owner, text, caption, style); });
}

std::optional<std::string> UnattendedModalSeam::SaveAs(QWidget* owner, const std::string& proposedPath,
                                                       const std::string& filter, const std::string& caption) {
    return Watched([&] { return m_real.SaveAs(owner, proposedPath, filter, caption); });
}

std::optional<platform::ui::FontChoice> UnattendedModalSeam::ChooseFont(QWidget* owner,
                                                                        const platform::ui::FontChoice& initial) {
    return Watched([&] { return m_real.ChooseFont(owner, initial); });
}

int UnattendedModalSeam::RunModal(QDialog* dialog) {
    return Watched([&] { return m_real.RunModal(dialog); });
}

}  // namespace host
