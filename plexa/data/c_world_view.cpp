#include "plexa/data/c_world_view.h"

#include <QWidget>

namespace plexa {

using platform::com::Variant;

const platform::com::Guid CWorldView::kClassId{
    0x712EE935, 0x558F, 0x458E, {0xB8, 0x26, 0x38, 0x5F, 0xF4, 0xF5, 0x8A, 0xE3}};

CWorldView::~CWorldView() { Destroy(); }

platform::com::HResult CWorldView::Create(QWidget* parent, const QRect& rect, const platform::com::Guid& clsid) {
    Destroy();
    platform::com::HResult hr = platform::com::S_OK;
    m_site = platform::com::ControlSite::Create(clsid, parent, &hr);
    if (!m_site) return hr;
    m_site->SetGeometry(rect);
    if (QWidget* window = m_site->Window()) {
        window->setObjectName(QStringLiteral("WorldView"));
        window->show();
    }
    return hr;
}

void CWorldView::Destroy() { m_site.reset(); }

void CWorldView::SetFlag(int32_t dispid, bool on) {
    if (m_site) m_site->Put(dispid, Variant::Bool(on));
}

void CWorldView::SetNumber(int32_t dispid, int32_t value) {
    if (m_site) m_site->Put(dispid, Variant::I4(value));
}

void CWorldView::SetVrmlPath(const std::string& path) {
    if (m_site) m_site->Put(kVrmlPath, Variant::Bstr(path));
}

std::string CWorldView::VrmlPath() const {
    Variant value;
    if (!m_site || !platform::com::Succeeded(m_site->Get(kVrmlPath, &value))) return {};
    return value.AsBstr();
}

}  // namespace plexa
