#pragma once
// The panel's status line: where the session stands in words (offline, preparing the entry with
// the seconds left, loading, connecting, in a region, reconnecting with the attempt and the wait),
// and, while a reconnection waits, the button that gives it up.
#include "plexa/session/session_status.h"

#include <QFrame>

class QLabel;
class QPushButton;

namespace plexa {

class SessionStatusLine : public QFrame {
    Q_OBJECT
public:
    explicit SessionStatusLine(QWidget* parent = nullptr);

    void Show(const SessionStatus& status);
    const SessionStatus& Shown() const { return m_status; }
    QString Text() const;
    bool OffersCancel() const;
    QPushButton* CancelButton() const { return m_cancel; }

signals:
    void CancelRequested();

private:
    SessionStatus m_status;
    QLabel* m_text;
    QPushButton* m_cancel;
};

}  // namespace plexa
