#pragma once
// The ESP partner chooser (toolbar button 218): the other avatars of the region; connect asks the
// server for a private conversation with the chosen one.
#include "plexa/session/roster_list_dialog.h"

#include <functional>

namespace plexa {

class EspPartnerDialog : public RosterListDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 205;
    static constexpr int kListId = 211;
    static constexpr int kConnectButtonId = 231;

    using ConnectHandler = std::function<void(const RosterEntry& partner)>;

    explicit EspPartnerDialog(QWidget* parent = nullptr);

    void SetConnectHandler(ConnectHandler handler) { m_connect = std::move(handler); }
    // The chat control allows (true) or refuses further partners.
    void SetConnectEnabled(bool enabled);

    // The chosen row's position, -1 when none; it is kept across refills.
    int ChosenRow() const { return m_chosen; }
    void ChooseRow(int row);
    // Requests the connection for the chosen row; nothing when that row does not exist.
    void Connect();
    QPushButton* ConnectButton() const { return m_connectButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* m_connectButton = nullptr;
    ConnectHandler m_connect;
    int m_chosen = -1;
};

}  // namespace plexa
