#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>

class QComboBox;
class QPropertyAnimation;

// What the panel's rows do; each may be empty.
struct PanelActions
{
    std::function<void()> capture;
    std::function<void()> openDocument;
    std::function<void()> openBatch;
    std::function<void()> openHistory;
    std::function<void()> openGuide;
    std::function<void()> openSettings;
    std::function<void()> openSR; // grant screen capture
    std::function<void()> quit;
};

// The panel's content: header, the permission row while capture is not allowed, the action rows, the output
// picker and the footer. It reads the settings, the shortcut and the permission once, when built.
class TrayPanelView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int width = 300;

    explicit TrayPanelView(PanelActions actions, QWidget* parent = nullptr);

    // Bound to the "outputMode" setting: choosing a mode stores its number.
    QComboBox* outputPicker() const { return m_outputPicker; }
    // Null while capture is allowed.
    QWidget* permissionRow() const { return m_permissionRow; }

private:
    PanelActions m_actions;
    QComboBox* m_outputPicker = nullptr;
    QWidget* m_permissionRow = nullptr;
};

// The frameless popup that holds the panel. It closes on a click anywhere outside it, in this program or another
// (a popup holds the pointer while open), and on Escape; its owner turns that close into the fade-out.
class PanelPopup : public QWidget
{
    Q_OBJECT

public:
    explicit PanelPopup(PanelActions actions);
    TrayPanelView* content() const { return m_content; }
    // Asked to close by a click outside or Escape; unset, the panel closes at once.
    std::function<void()> onCloseRequest;
    // Closes for good, skipping onCloseRequest.
    void closeNow();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool opaqueCorners() const;

    TrayPanelView* m_content;
    bool m_closing = false;
};

// Shows and hides the panel next to the tray icon. A new panel is built on every show, so it always shows the
// current settings and permission. Main thread only.
class TrayPanel : public QObject
{
    Q_OBJECT

public:
    static constexpr int edgeMargin = 6; // kept free between the panel and the screen's edges
    static constexpr int anchorGap = 2;  // between the tray icon and the panel
    static constexpr int fadeInMs = 120;
    static constexpr int fadeOutMs = 100;

    explicit TrayPanel(QObject* parent = nullptr);
    ~TrayPanel() override;

    // Hides a shown panel, otherwise shows it at `anchor` (the tray icon's global geometry, empty when the tray
    // does not tell). `actions` are wrapped so that each hides the panel before it runs.
    void toggle(const QRect& anchor, const PanelActions& actions);
    void show(const QRect& anchor, const PanelActions& actions);
    // Fades the panel out, releases it and then runs `then`; when it is already hidden, runs `then` at once.
    void hide(std::function<void()> then = {});
    // True from show until hide starts.
    bool isShown() const;
    // The panel window, while it exists (also while fading out).
    PanelPopup* panel() const { return m_panel; }

    // Returns the panel's top-left corner for a panel of `size` next to `anchor`, inside `available` (a screen's
    // available geometry) with edgeMargin kept free: centred under the anchor, or above it when the tray sits at
    // the bottom of the screen. An empty anchor is a point, such as the pointer's position.
    static QPoint position(const QRect& anchor, const QSize& size, const QRect& available);

private:
    void finishHiding();

    QPointer<PanelPopup> m_panel;
    std::function<void()> m_afterHide;
    QPointer<QPropertyAnimation> m_fade;
    bool m_hiding = false;
};
