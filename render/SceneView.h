#pragma once

#include <QOpenGLWidget>
#include <functional>

class CGraphicsDevice;

// The widget the 3D scene is shown in: an OpenGL 3.3 core view whose paint shows the device's
// last finished frame, scaled to the widget. Paints that the system asks for (expose, resize)
// are reported, so that the scene can draw a new frame; the paint that follows a frame the
// scene presented is not.
class CSceneView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit CSceneView(QWidget* parent = nullptr);
    // The device whose frames it shows; null: the view stays black.
    void SetDevice(CGraphicsDevice* device) { m_device = device; }
    // Called on paints the system asks for.
    void SetPaintHandler(std::function<void()> handler) { m_onPaint = std::move(handler); }
    // The device presented a frame: the next paint shows it.
    void OnPresent();
    // Paints composed so far.
    int GetFrameCount() const { return m_frames; }
    bool IsGlReady() const { return m_glReady; }

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    CGraphicsDevice* m_device = nullptr;
    std::function<void()> m_onPaint;
    bool m_presented = false;
    int m_frames = 0;
    bool m_glReady = false;
};
