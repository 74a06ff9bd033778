#include "controls/vrmlview/web_textures.h"

#include "controls/vrmlview/scene_load_context.h"
#include "controls/vrmlview/scene_loader.h"

#include <Inventor/SbImage.h>
#include <Inventor/SoFullPath.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>

#include <QImage>

#include <cstring>
#include <vector>

namespace {

// Rows bottom-up, as GL takes them; RGB or RGBA.
bool ToSbImage(const QByteArray& bytes, SbImage* out) {
    QImage image = QImage::fromData(bytes);
    if (image.isNull() || image.width() > WebTextures::kMaxSide || image.height() > WebTextures::kMaxSide) return false;
    const bool alpha = image.hasAlphaChannel();
    image = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int comps = alpha ? 4 : 3;
    const size_t row = static_cast<size_t>(image.width()) * comps;
    std::vector<unsigned char> pixels(row * image.height());
    for (int y = 0; y < image.height(); ++y) std::memcpy(pixels.data() + row * (image.height() - 1 - y), image.constScanLine(y), row);
    out->setValue(SbVec2s(static_cast<short>(image.width()), static_cast<short>(image.height())), comps, pixels.data());
    return true;
}

}  // namespace

void WebTextures::Apply(SoNode* root, const QString& source, SceneLoadContext* context) {
    SoSearchAction search;
    search.setType(SoVRMLImageTexture::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    const SoPathList& paths = search.getPaths();
    for (int i = 0; i < paths.getLength(); ++i) {
        auto* texture = static_cast<SoVRMLImageTexture*>(static_cast<SoFullPath*>(paths[i])->getTail());
        if (const SbImage* current = texture->getImage(); current && current->hasData()) continue;
        for (int k = 0; k < texture->url.getNum(); ++k) {
            const QString reference = QString::fromUtf8(texture->url[k].getString());
            const QString address = context->Resolve(reference);
            if (address.isEmpty() || context->OverBudget()) continue;
            QByteArray bytes;
            QString base, error;
            SbImage image;
            if (SceneLoader::Fetch(address, &bytes, &base, &error) && ToSbImage(bytes, &image)) {
                texture->setImage(image);
                break;
            }
            context->Warn(source, 0, QStringLiteral("texture \"%1\" not loaded: %2")
                                          .arg(reference, error.isEmpty() ? QStringLiteral("not a picture") : error));
        }
    }
}
