#pragma once
// A Coin scene graph shown in a widget: render manager, camera taken from the scene's first
// Viewpoint, a headlight that follows the camera, and the display options the hosts set
// (textures, texture quality, dithering, colour depth, shading). Frames are drawn into a
// native window that covers the widget (SceneWindow); input reaches the widget as usual.
#include <QImage>
#include <QWidget>

#include <memory>
#include <string>

#include <Inventor/SbBox.h>
#include <Inventor/SbLinear.h>
#include <Inventor/SbRotation.h>

class SoCallback;
class SoComplexity;
class SoDirectionalLight;
class SoGetBoundingBoxAction;
class SoPerspectiveCamera;
class SoRenderManager;
class SoSeparator;
class SoSwitch;
class SoAction;
class SceneWindow;
class QWindow;

class CoinView : public QWidget {
    Q_OBJECT
public:
    enum GraphicMode { kSmooth = 0, kFlat = 1, kWireFrame = 2 };

    explicit CoinView(QWidget* parent = nullptr);
    ~CoinView() override;

    // Shows scene (null: nothing), taking over one reference; the camera moves to the scene's
    // first Viewpoint, or to a view of the whole scene when it has none.
    void SetScene(SoSeparator* scene);
    SoSeparator* Scene() const { return sceneSlot_; }
    SoSeparator* Extras() const { return extrasSlot_; }
    SoPerspectiveCamera* Camera() const { return camera_; }
    // The whole graph, camera included (for picking).
    SoSeparator* RootNode() const { return root_; }
    // Avatar size the scene's NavigationInfo asks for: collision radius in metres.
    float CollisionRadius() const { return collisionRadius_; }

    // Returns the camera to where the current scene put it.
    void RevertCamera();
    SbVec3f EntryPosition() const { return entryPosition_; }
    // Eye height and speed the scene's NavigationInfo asks for (metres, metres a second).
    float EyeHeight() const { return eyeHeight_; }
    float SceneSpeed() const { return sceneSpeed_; }

    void SetHeadlight(bool on);
    bool Headlight() const { return headlightOn_; }
    void SetTexturesEnabled(bool on);
    void SetHighQualityTextures(bool on);
    void SetDithering(bool on);
    void SetFullColor(bool on);
    // 0 smooth, 1 flat, 2 wire frame; other values are refused.
    bool SetGraphicMode(int mode);
    int GraphicModeShown() const { return graphicMode_; }

    // The last frame as the user sees it (renders first).
    QImage GrabImage();
    // Asks for a frame; frames come no faster than the display takes them.
    void RequestFrame();
    // The view's GL context current (for callers that make GL objects); false without one.
    bool MakeCurrent();
    void DoneCurrent();
    // The native window the frames are drawn into (it covers the view).
    QWindow* Surface() const;

signals:
    // A frame has been handed to the display.
    void FrameShown();

protected:
    // On screen the scene window covers the widget; painted elsewhere (a grab of the window
    // the view is in), the widget paints a frame itself.
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Called before each frame; subclasses move things here.
    virtual void BeforeRender() {}
    // A box (world coordinates) round everything under Extras(), for fitting the near and far
    // planes. By default measured; a subclass that knows where its extras are answers cheaper.
    virtual SbBox3f ExtrasBounds();

private:
    void DrawFrame();
    void EnsureManager();
    void SizeViewport(int width, int height);
    void PaintScene();
    static void ShadeCallback(void* self, SoAction* action);
    void PlaceCameraFromScene();
    void ApplyRenderOptions();
    void ReducedColourPass();
    void ReleaseGL();
    void FitClippingPlanes();

    SoSeparator* root_ = nullptr;
    SoCallback* shadeCallback_ = nullptr;
    SoComplexity* complexity_ = nullptr;
    SoPerspectiveCamera* camera_ = nullptr;
    SoSwitch* headlightSwitch_ = nullptr;
    SoSeparator* sceneSlot_ = nullptr;
    SoSeparator* extrasSlot_ = nullptr;
    SoRenderManager* manager_ = nullptr;
    std::unique_ptr<SoGetBoundingBoxAction> measure_;
    uint32_t cacheContext_ = 0;
    unsigned int ditherTexture_ = 0;
    SceneWindow* surface_ = nullptr;
    QWidget* surfaceHolder_ = nullptr;
    SbVec2s viewportSize_{0, 0};

    SbVec3f entryPosition_{0, 1.6f, 10};
    SbRotation entryOrientation_;
    float entryHeightAngle_ = 0.785398f;
    float eyeHeight_ = 1.6f;
    float sceneSpeed_ = 1.0f;
    float collisionRadius_ = 0.25f;

    bool headlightOn_ = true;
    bool texturesOn_ = true;
    bool highQualityTextures_ = true;
    std::string glRenderer_;  // as the context reports it, once there is one
    bool dithering_ = true;
    bool fullColor_ = true;
    int graphicMode_ = kSmooth;
};
