#include "controls/vrmlview/coin_view.h"

#include "controls/vrmlview/coin_environment.h"
#include "controls/vrmlview/scene_cameras.h"
#include "controls/vrmlview/scene_window.h"
#include "controls/vrmlview/texture_quality.h"

#include <Inventor/SoFullPath.h>
#include <Inventor/SoRenderManager.h>
#include <Inventor/VRMLnodes/SoVRMLNavigationInfo.h>
#include <Inventor/VRMLnodes/SoVRMLViewpoint.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SbXfBox3f.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/elements/SoLazyElement.h>
#include <Inventor/misc/SoContextHandler.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoRotation.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTransformSeparator.h>

#include <QApplication>
#include <QBackingStore>
#include <QOpenGLFramebufferObject>
#include <QPaintEngine>
#include <QPainter>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

template <typename T>
T* FindFirst(SoNode* root) {
    if (!root) return nullptr;
    SoSearchAction search;
    search.setType(T::getClassTypeId());
    search.setInterest(SoSearchAction::FIRST);
    search.apply(root);
    SoPath* path = search.getPath();
    return path ? static_cast<T*>(static_cast<SoFullPath*>(path)->getTail()) : nullptr;
}

}  // namespace

CoinView::CoinView(QWidget* parent) : QWidget(parent) {
    CoinEnvironment::Ensure();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The scene window needs a native window to sit in; the rest of the host's widgets need not
    // become native with it.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    surface_ = new SceneWindow(this, [this] { DrawFrame(); });
    surfaceHolder_ = QWidget::createWindowContainer(surface_, this);
    surfaceHolder_->setFocusPolicy(Qt::NoFocus);
    surfaceHolder_->setGeometry(rect());
    root_ = new SoSeparator;
    root_->ref();
    shadeCallback_ = new SoCallback;
    shadeCallback_->setCallback(&CoinView::ShadeCallback, this);
    complexity_ = new SoComplexity;
    camera_ = new SoPerspectiveCamera;
    camera_->nearDistance = 0.1f;
    camera_->farDistance = 1000.0f;

    // The headlight shines along the view: a light turned with the camera.
    headlightSwitch_ = new SoSwitch;
    auto* lightFrame = new SoTransformSeparator;
    auto* lightTurn = new SoRotation;
    lightTurn->rotation.connectFrom(&camera_->orientation);
    auto* light = new SoDirectionalLight;
    light->direction = SbVec3f(0, 0, -1);
    lightFrame->addChild(lightTurn);
    lightFrame->addChild(light);
    headlightSwitch_->addChild(lightFrame);
    headlightSwitch_->whichChild = 0;

    sceneSlot_ = new SoSeparator;
    extrasSlot_ = new SoSeparator;
    root_->addChild(shadeCallback_);
    root_->addChild(complexity_);
    root_->addChild(camera_);
    root_->addChild(headlightSwitch_);
    root_->addChild(sceneSlot_);
    root_->addChild(extrasSlot_);
    ApplyRenderOptions();
    PlaceCameraFromScene();
}

CoinView::~CoinView() {
    if (manager_ && MakeCurrent()) {
        ReleaseGL();
        DoneCurrent();
    }
    delete manager_;
    root_->unref();
}

void CoinView::ReleaseGL() {
    if (ditherTexture_) {
        glDeleteTextures(1, &ditherTexture_);
        ditherTexture_ = 0;
    }
    if (cacheContext_) SoContextHandler::destructingContext(cacheContext_);
    cacheContext_ = 0;
}

void CoinView::SetScene(SoSeparator* scene) {
    sceneSlot_->removeAllChildren();
    if (scene) {
        sceneSlot_->addChild(scene);
        scene->unref();
    }
    PlaceCameraFromScene();
    RequestFrame();
}

void CoinView::PlaceCameraFromScene() {
    entryPosition_ = SbVec3f(0, 0, 10);
    entryOrientation_ = SbRotation::identity();
    entryHeightAngle_ = 0.785398f;
    eyeHeight_ = 1.6f;
    sceneSpeed_ = 1.0f;
    collisionRadius_ = 0.25f;
    SoSearchAction search;
    search.setType(SoVRMLViewpoint::getClassTypeId());
    search.setInterest(SoSearchAction::FIRST);
    search.apply(sceneSlot_);
    if (SoPath* path = search.getPath()) {
        auto* viewpoint = static_cast<SoVRMLViewpoint*>(static_cast<SoFullPath*>(path)->getTail());
        SceneCameras::ToWorld(path, viewpoint->position.getValue(), viewpoint->orientation.getValue(),
                              &entryPosition_, &entryOrientation_);
        float fov = viewpoint->fieldOfView.getValue();
        if (fov > 0.01f && fov < 3.1f) entryHeightAngle_ = fov;
    }
    if (SceneCameras::StartView start; SceneCameras::Take(sceneSlot_, &start) && !search.getPath()) {
        entryPosition_ = start.position;
        entryOrientation_ = start.orientation;
        entryHeightAngle_ = start.heightAngle;
    }
    if (auto* info = FindFirst<SoVRMLNavigationInfo>(sceneSlot_)) {
        if (info->avatarSize.getNum() > 0 && info->avatarSize[0] > 0) collisionRadius_ = info->avatarSize[0];
        if (info->avatarSize.getNum() > 1 && info->avatarSize[1] > 0) eyeHeight_ = info->avatarSize[1];
        if (info->speed.getValue() > 0) sceneSpeed_ = info->speed.getValue();
    }
    RevertCamera();
}

void CoinView::RevertCamera() {
    camera_->position = entryPosition_;
    camera_->orientation = entryOrientation_;
    camera_->heightAngle = entryHeightAngle_;
    camera_->focalDistance = 5.0f;
    RequestFrame();
}

void CoinView::SetHeadlight(bool on) {
    headlightOn_ = on;
    headlightSwitch_->whichChild = on ? 0 : SO_SWITCH_NONE;
    RequestFrame();
}

void CoinView::SetTexturesEnabled(bool on) {
    texturesOn_ = on;
    ApplyRenderOptions();
}

void CoinView::SetHighQualityTextures(bool on) {
    highQualityTextures_ = on;
    ApplyRenderOptions();
}

void CoinView::SetDithering(bool on) {
    dithering_ = on;
    ApplyRenderOptions();
}

void CoinView::SetFullColor(bool on) {
    fullColor_ = on;
    ApplyRenderOptions();
}

bool CoinView::SetGraphicMode(int mode) {
    if (mode < kSmooth || mode > kWireFrame) return false;
    graphicMode_ = mode;
    ApplyRenderOptions();
    return true;
}

void CoinView::ApplyRenderOptions() {
    // Quality 0 turns texturing off altogether; low quality is unfiltered, high is mip-mapped.
    complexity_->textureQuality = TextureQuality::For(texturesOn_, highQualityTextures_, glRenderer_);
    shadeCallback_->touch();
    if (manager_) {
        manager_->setTexturesEnabled(texturesOn_ ? TRUE : FALSE);
        manager_->setRenderMode(graphicMode_ == kWireFrame ? SoRenderManager::WIREFRAME
                                                           : SoRenderManager::AS_IS);
    }
    RequestFrame();
}

void CoinView::ShadeCallback(void* data, SoAction* action) {
    auto* self = static_cast<CoinView*>(data);
    if (!action->isOfType(SoGLRenderAction::getClassTypeId())) return;
    if (self->graphicMode_ == kFlat) SoLazyElement::setShadeModel(action->getState(), TRUE);
    glShadeModel(self->graphicMode_ == kFlat ? GL_FLAT : GL_SMOOTH);
    if (self->dithering_) glEnable(GL_DITHER); else glDisable(GL_DITHER);
    // The scene library takes the depth test as on (its default) and only tells GL when a node
    // changes it, so a world without such a node (a Background is one) was drawn untested: inner
    // shapes showed through the ones in front of them.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    // The picture's alpha stays as cleared (opaque): blending would leave it below one where
    // something translucent is drawn, and the window would show what lies behind the widget
    // there, in wrong colours. Masking it costs nothing; mending it afterwards cost a pass over
    // every pixel on a software rasteriser.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}

bool CoinView::MakeCurrent() { return surface_->MakeCurrent(); }
void CoinView::DoneCurrent() { surface_->DoneCurrent(); }

QWindow* CoinView::Surface() const { return surface_; }

void CoinView::RequestFrame() { surface_->RequestFrame(); }

// Made with the context current, the first time there is one.
void CoinView::EnsureManager() {
    if (manager_) return;
    manager_ = new SoRenderManager;
    manager_->setSceneGraph(root_);
    manager_->setCamera(camera_);
    // The near and far planes are fitted before each frame (FitClippingPlanes), not by the
    // render manager, which measures the whole graph, every figure of a crowd included.
    manager_->setAutoClipping(SoRenderManager::NO_AUTO_CLIPPING);
    manager_->setRenderCallback([](void* self, SoRenderManager*) { static_cast<CoinView*>(self)->RequestFrame(); },
                                this);
    manager_->getGLRenderAction()->setTransparencyType(SoGLRenderAction::SORTED_OBJECT_BLEND);
    manager_->setBackgroundColor(SbColor4f(0, 0, 0, 1));  // opaque: the scene never writes alpha
    cacheContext_ = SoGLCacheContextElement::getUniqueCacheContext();
    manager_->getGLRenderAction()->setCacheContext(cacheContext_);
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    glRenderer_ = renderer ? renderer : "";
    ApplyRenderOptions();
    manager_->activate();
}

void CoinView::SizeViewport(int width, int height) {
    const SbVec2s size(static_cast<short>(std::clamp(width, 1, 32767)), static_cast<short>(std::clamp(height, 1, 32767)));
    if (size == viewportSize_) return;
    viewportSize_ = size;
    manager_->setWindowSize(size);
    manager_->setSize(size);
    manager_->setViewportRegion(SbViewportRegion(size));
}

void CoinView::DrawFrame() {
    if (!MakeCurrent()) return;
    EnsureManager();
    const qreal ratio = surface_->devicePixelRatio();
    SizeViewport(qRound(surface_->width() * ratio), qRound(surface_->height() * ratio));
    PaintScene();
    surface_->Swap();
    emit FrameShown();
}

void CoinView::PaintScene() {
    BeforeRender();
    FitClippingPlanes();
    manager_->render(TRUE, TRUE);
    if (!fullColor_) ReducedColourPass();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);  // masked for the scene (ShadeCallback)
}

QImage CoinView::GrabImage() {
    if (!MakeCurrent()) return QImage();
    EnsureManager();
    const qreal ratio = devicePixelRatioF();
    const QSize size(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)));
    QOpenGLFramebufferObject target(size, QOpenGLFramebufferObject::CombinedDepthStencil);
    if (!target.bind()) return QImage();
    SizeViewport(size.width(), size.height());
    PaintScene();
    target.release();
    QImage image = target.toImage();  // with the alpha it was drawn with
    image.setDevicePixelRatio(ratio);
    return image;
}

void CoinView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surfaceHolder_->setGeometry(rect());
}

void CoinView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool onScreen = backingStore() && painter.paintEngine()->paintDevice() == backingStore()->paintDevice();
    if (onScreen) {
        painter.fillRect(rect(), Qt::black);  // under the scene window, seen only through labels over it
        return;
    }
    const QImage frame = GrabImage();
    if (frame.isNull()) painter.fillRect(rect(), Qt::black);
    else painter.drawImage(rect(), frame);
}

SbBox3f CoinView::ExtrasBounds() {
    SoGetBoundingBoxAction measure(SbViewportRegion(1, 1));
    measure.apply(extrasSlot_);
    return measure.getBoundingBox();
}

// The planes hug what there is to see, as the scene library's own fitting does: the far one
// just beyond the furthest corner of the box round everything, the near one just before the
// nearest, but no nearer than the depth buffer can resolve against the far one. The scene's
// box comes from its cache while it stands still; the extras say where they are themselves.
void CoinView::FitClippingPlanes() {
    if (!measure_) measure_ = std::make_unique<SoGetBoundingBoxAction>(SbViewportRegion(1, 1));
    measure_->apply(sceneSlot_);
    SbXfBox3f box = measure_->getXfBoundingBox();
    const SbBox3f extras = ExtrasBounds();
    if (!extras.isEmpty()) box.extendBy(extras);
    float nearest = 1.0f, furthest = 10.0f;
    if (!box.isEmpty()) {
        SbMatrix toCamera;
        toCamera.setTranslate(-camera_->position.getValue());
        box.transform(toCamera);
        toCamera = camera_->orientation.getValue().inverse();
        box.transform(toCamera);
        const SbBox3f seen = box.project();
        constexpr float kOffset = 0.1f;
        nearest = -seen.getMax()[2] - kOffset;
        furthest = -seen.getMin()[2] + kOffset;
        if (furthest <= 0.0f) return;  // all behind the eye: nothing to draw either way
    }
    // 12 of the depth buffer's bits for the range, as the scene library's own fitting keeps.
    const float limit = furthest / 4096.0f;
    nearest = std::max(nearest, limit);
    constexpr float kSlack = 0.001f;
    const float newNear = nearest * (1.0f - kSlack), newFar = furthest * (1.0f + kSlack);
    // Set only on a real change: each change asks for another frame.
    if (std::abs(camera_->nearDistance.getValue() - newNear) > nearest * kSlack * kSlack) {
        camera_->nearDistance = newNear;
    }
    if (std::abs(camera_->farDistance.getValue() - newFar) > furthest * kSlack * kSlack) {
        camera_->farDistance = newFar;
    }
}

// Without full colour the picture is cut to 16-bit depth (5-6-5), dithered first when asked,
// as a 16-bit display would show it.
void CoinView::ReducedColourPass() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    const int width = viewportSize_[0];
    const int height = viewportSize_[1];
    if (dithering_) {
        if (!ditherTexture_) {
            // A 4x4 ordered-dither matrix, scaled to just under one 5-bit step.
            static const int bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
            unsigned char pixels[16 * 3];
            for (int i = 0; i < 16; ++i) {
                pixels[i * 3] = pixels[i * 3 + 2] = static_cast<unsigned char>(bayer[i] / 2);
                pixels[i * 3 + 1] = static_cast<unsigned char>(bayer[i] / 4);
            }
            glGenTextures(1, &ditherTexture_);
            glBindTexture(GL_TEXTURE_2D, ditherTexture_);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
        }
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, ditherTexture_);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        const float s = width / 4.0f, t = height / 4.0f;
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0); glVertex2f(-1, -1);
        glTexCoord2f(s, 0); glVertex2f(1, -1);
        glTexCoord2f(s, t); glVertex2f(1, 1);
        glTexCoord2f(0, t); glVertex2f(-1, 1);
        glEnd();
        glDisable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    }
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_AND);
    glColor4ub(0xF8, 0xFC, 0xF8, 0xFF);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_COLOR_LOGIC_OP);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

