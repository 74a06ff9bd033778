#include "plexa/data/avatar_select_dialog.h"

#include "platform/text/cp932.h"
#include "platform/ui/dialog_units.h"
#include "plexa/data/avatar_data_store.h"
#include "plexa/resources/resource_ids.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace plexa {
namespace {
constexpr QRect kPreviewRect{QPoint(10, 10), QPoint(209, 187)};  // pixels (10, 10) to (210, 188)
constexpr QRect kScrollRect{10, 190, 200, 16};
constexpr QRect kNameRect{10, 207, 200, 16};
}  // namespace

std::vector<AvatarChoice> AvatarSelectDialog::ListChoices(const std::string& avatarDataPath,
                                                          const AvatarDefinitionList* definitions) {
    std::vector<AvatarChoice> choices;
    if (!definitions) return choices;
    const QDir dir(platform::ToQString(avatarDataPath));
    for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted)) {
        const std::string name = platform::FromQString(entry);
        const AvatarDefinition* record = FindDefinitionByDirectoryName(*definitions, name);
        if (!record) continue;
        AvatarChoice choice;
        choice.directoryPath = avatarDataPath + "/" + name;
        choice.directoryName = name;
        choice.vrmlPath = choice.directoryPath + "/" + record->vrmlFileName;
        choice.imagePath = choice.directoryPath + "/" + record->imageFileName;
        choices.push_back(std::move(choice));
    }
    // Byte order (std::string compares as unsigned bytes): upper case sorts before lower case.
    std::stable_sort(choices.begin(), choices.end(),
                     [](const AvatarChoice& a, const AvatarChoice& b) { return a.directoryName < b.directoryName; });
    return choices;
}

AvatarSelectDialog::AvatarSelectDialog(std::string avatarDataPath, const AvatarDefinitionList* definitions,
                                       QWidget* parent, const platform::com::Guid& worldViewClass)
    : QDialog(parent), m_avatarDataPath(std::move(avatarDataPath)), m_definitions(definitions) {
    using namespace res;
    const auto du = platform::ui::DialogUnits::Standard();
    setObjectName(QString::number(IDD_AVATAR_SELECT));
    setWindowTitle(QString::fromUtf8("アバタ選択"));
    setFont(platform::ui::DialogFont());
    // The preview and the scroll bar are placed in pixels; keep them inside the client area
    // whatever the dialog font makes of the template's width.
    QSize size = du.MapSize(IDD_AVATAR_SELECT_WIDTH, IDD_AVATAR_SELECT_HEIGHT);
    size.setWidth(std::max(size.width(), kScrollRect.right() + 1 + kScrollRect.left()));
    setFixedSize(size);

    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_scroll->setObjectName(QString::number(IDC_AVATAR_SCROLL));
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    // Scroll bars invert their keys for the wheel's sake; here Right must mean the next avatar.
    m_scroll->setInvertedControls(false);
    m_scroll->setAccessibleName(QString::fromUtf8("アバタ"));
    // A turning model alone does not say which avatar it is, nor anything to a screen reader.
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("avatarName"));
    m_nameLabel->setAlignment(Qt::AlignCenter);
    m_nameLabel->setGeometry(kNameRect);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QString::number(IDOK));
    m_ok->setGeometry(du.MapRect(7, 150, 50, 14));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"), this);
    m_cancel->setObjectName(QString::number(IDCANCEL));
    m_cancel->setGeometry(du.MapRect(77, 150, 50, 14));
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // 1., 2.
    m_worldView.Create(this, kPreviewRect, worldViewClass);
    m_worldView.SetFlag(CWorldView::kSetting512, false);
    m_worldView.SetFlag(CWorldView::kSetting513, false);
    m_worldView.SetFlag(CWorldView::kSetting516, false);
    m_worldView.SetNumber(CWorldView::kSetting501, 4);
    m_worldView.SetFlag(CWorldView::kSetting510, true);
    m_worldView.SetFlag(CWorldView::kSetting504, true);
    // 3.
    m_scroll->setGeometry(kScrollRect);
    // 4.
    m_choices = ListChoices(m_avatarDataPath, m_definitions);
    m_position = 0;
    // 5.
    m_scroll->setRange(0, std::max<int>(0, static_cast<int>(m_choices.size()) - 1));
    m_scroll->setSingleStep(1);
    m_scroll->setPageStep(1);
    m_scroll->setValue(0);
    // Nothing to choose from: there is no avatar to return.
    m_ok->setEnabled(!m_choices.empty());
    m_scroll->setEnabled(m_choices.size() > 1);
    // 6.
    m_worldView.SetNumber(CWorldView::kSetting501, 4);
    m_worldView.SetFlag(CWorldView::kSetting510, true);
    if (const AvatarChoice* choice = CurrentChoice()) m_worldView.SetVrmlPath(choice->vrmlPath);
    ShowName();

    // Qt has already moved the thumb when it reports the action; OnScroll decides where it stays.
    connect(m_scroll, &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnScroll(action, m_scroll->sliderPosition()); });
    m_scroll->setFocus();
}

AvatarSelectDialog::~AvatarSelectDialog() = default;

const AvatarChoice* AvatarSelectDialog::CurrentChoice() const {
    if (m_position < 0 || m_position >= static_cast<int>(m_choices.size())) return nullptr;
    return &m_choices[static_cast<size_t>(m_position)];
}

void AvatarSelectDialog::OnScroll(int action, int thumbPosition) {
    const int n = static_cast<int>(m_choices.size());
    int position = m_position;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        if (position > 0) --position;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        if (position < n - 1) ++position;
        break;
    case QAbstractSlider::SliderPageStepSub:
        position = position > 1 ? position - 2 : 0;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        position = position < n - 2 ? position + 2 : n - 1;
        break;
    case QAbstractSlider::SliderMove:
        position = thumbPosition;
        break;
    default:
        // Not a request the chooser follows: the thumb goes back to the current entry.
        m_scroll->setValue(m_position);
        return;
    }
    position = std::clamp(position, 0, std::max(n - 1, 0));
    if (position == m_position) {
        m_scroll->setValue(m_position);
        return;
    }
    m_position = position;
    ShowCurrent();
}

void AvatarSelectDialog::ShowCurrent() {
    m_scroll->setValue(m_position);
    if (const AvatarChoice* choice = CurrentChoice()) m_worldView.SetVrmlPath(choice->vrmlPath);
    ShowName();
}

void AvatarSelectDialog::ShowName() {
    const AvatarChoice* choice = CurrentChoice();
    const QString name = choice ? platform::ToQString(choice->directoryName) : QString();
    const int n = static_cast<int>(m_choices.size());
    m_nameLabel->setText(choice ? QStringLiteral("%1 (%2/%3)").arg(name).arg(m_position + 1).arg(n) : QString());
    m_scroll->setAccessibleDescription(name);
}

}  // namespace plexa
