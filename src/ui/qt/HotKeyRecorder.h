#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>

class QKeyEvent;
class QLabel;
class QPushButton;

// Records a new capture shortcut. Idle, the button shows the current shortcut; a click starts recording, and the
// next key pressed in any of the program's windows with at least one of Super, Alt, Ctrl or Shift becomes the
// shortcut, stored through HotKeyConfig::set (which has it registered again at once). Escape cancels; keys without
// a modifier are ignored and recording goes on, and so are combinations another of the program's commands uses: the
// hint then says which command has it.
class HotKeyRecorder : public QWidget
{
    Q_OBJECT

public:
    explicit HotKeyRecorder(QWidget* parent = nullptr);
    ~HotKeyRecorder() override;

    bool isRecording() const { return m_recording; }
    void startRecording();
    // Stops without a change.
    void stopRecording();
    QPushButton* button() const { return m_button; }
    QLabel* hint() const { return m_hint; }

    // Returns the stored key code of a key event's key, or no value for a key the shortcut table lacks (such as a
    // modifier key alone). Shifted symbols of the main row (Shift+2 reports "@") map back to their key.
    static std::optional<std::uint32_t> keyCodeOf(const QKeyEvent& event);
    // Returns the label of a stored key code: its character in upper case, a key name for keys without one, "?"
    // when there is neither.
    static QString labelOf(std::uint32_t keyCode);
    // What the hint says while recording, before any refused combination.
    static QString recordingHint();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Returns true when the event was used, so it reaches no other widget.
    bool handleKey(const QKeyEvent& event);
    void showIdle();

    QPushButton* m_button;
    QLabel* m_hint;
    bool m_recording = false;
};
