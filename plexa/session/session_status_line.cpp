#include "plexa/session/session_status_line.h"

#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace plexa {

SessionStatusLine::SessionStatusLine(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("sessionStatus"));
    const auto& strings = res::PlexaStrings();
    setAccessibleName(strings.GetQ(res::IDS_STATUS_NAME));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("sessionStatusText"));
    m_text->setAccessibleName(strings.GetQ(res::IDS_STATUS_NAME));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_cancel = new QPushButton(strings.GetQ(res::IDS_STATUS_CANCEL), this);
    m_cancel->setObjectName(QStringLiteral("cancelReconnection"));
    m_cancel->setToolTip(strings.GetQ(res::IDS_STATUS_CANCEL) + QStringLiteral(" (Esc)"));
    m_cancel->setAccessibleName(strings.GetQ(res::IDS_STATUS_CANCEL));
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, &SessionStatusLine::CancelRequested);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_cancel, 0);
    Show(m_status);
}

QString SessionStatusLine::Text() const { return m_text->text(); }

bool SessionStatusLine::OffersCancel() const {
    return m_status.phase == SessionStatus::Phase::Reconnecting || m_status.phase == SessionStatus::Phase::Retrying;
}

void SessionStatusLine::Show(const SessionStatus& status) {
    const bool changed = !(status == m_status) || m_text->text().isEmpty();
    m_status = status;
    const QString text = SessionStatusText(status);
    m_text->setText(text);
    m_text->setToolTip(text);
    m_cancel->setVisible(OffersCancel());
    if (changed) {
        // Screen readers hear the new state, not just the first one.
        QAccessibleEvent event(m_text, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    // A blocking step (loading a scene, talking in) follows at once: show the words first.
    if (isVisible()) repaint();
}

}  // namespace plexa
