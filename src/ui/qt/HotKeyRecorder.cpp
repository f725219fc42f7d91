#include "ui/qt/HotKeyRecorder.h"

#include "capture/qt/HotKeySettings.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <array>
#include <utility>

namespace {
// With Shift held, X11 and Wayland report the shifted symbol of a key ("@" for Shift+2 on a US layout). The
// shortcut stores the key, so each symbol of the main row goes back to the key that types it unshifted.
constexpr std::array<std::pair<char, char>, 21> shiftedSymbols{{
    {'!', '1'},  {'@', '2'}, {'#', '3'},  {'$', '4'}, {'%', '5'}, {'^', '6'}, {'&', '7'},
    {'*', '8'},  {'(', '9'}, {')', '0'},  {'_', '-'}, {'+', '='}, {'{', '['}, {'}', ']'},
    {'|', '\\'}, {':', ';'}, {'"', '\''}, {'<', ','}, {'>', '.'}, {'?', '/'}, {'~', '`'},
}};
} // namespace

HotKeyRecorder::HotKeyRecorder(QWidget* parent)
    : QWidget(parent)
    , m_button(new QPushButton)
    , m_hint(new QLabel(recordingHint()))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_button->setObjectName(QStringLiteral("shortcutButton"));
    m_button->setMinimumWidth(120);
    layout->addWidget(m_button, 0, Qt::AlignLeft);
    QFont small = m_hint->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_hint->setFont(small);
    m_hint->setWordWrap(true);
    QSizePolicy keepSpace = m_hint->sizePolicy();
    keepSpace.setRetainSizeWhenHidden(true); // the form below does not jump when recording starts
    m_hint->setSizePolicy(keepSpace);
    layout->addWidget(m_hint);
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_recording)
            stopRecording();
        else
            startRecording();
    });
    // Another recorder or window may store a shortcut too.
    connect(&HotKeyNotifier::instance(), &HotKeyNotifier::hotKeyChanged, this, [this] {
        if (!m_recording)
            showIdle();
    });
    showIdle();
}

HotKeyRecorder::~HotKeyRecorder()
{
    if (m_recording)
        qApp->removeEventFilter(this);
}

QString HotKeyRecorder::recordingHint()
{
    return QStringLiteral("Click, then press a key with Ctrl, Alt, Shift or Super. Esc cancels.");
}

void HotKeyRecorder::startRecording()
{
    if (m_recording)
        return;
    m_recording = true;
    m_button->setText(QStringLiteral("Press keys…"));
    m_hint->setText(recordingHint());
    m_hint->show();
    qApp->installEventFilter(this);
}

void HotKeyRecorder::stopRecording()
{
    if (!m_recording)
        return;
    m_recording = false;
    qApp->removeEventFilter(this);
    showIdle();
}

void HotKeyRecorder::showIdle()
{
    m_button->setText(QString::fromStdString(HotKeyConfig::display()));
    m_hint->hide();
}

bool HotKeyRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_recording || !(watched->isWidgetType() || watched->isWindowType()))
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Accepting the override turns a would-be shortcut (Ctrl+W, an Alt mnemonic) into a plain key press, which
        // the recorder takes below.
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress)
        return handleKey(*static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

bool HotKeyRecorder::handleKey(const QKeyEvent& event)
{
    if (event.key() == Qt::Key_Escape) {
        stopRecording();
        return true;
    }
    const std::uint32_t modifiers =
        HotKeyConfig::carbonModifiers(static_cast<std::uint32_t>(event.modifiers().toInt()));
    const std::optional<std::uint32_t> keyCode = keyCodeOf(event);
    // A key without a modifier, or a modifier key alone: keep waiting.
    if (modifiers == 0 || !keyCode)
        return true;
    // Another command's combination is refused where it is typed; recording goes on for a different one.
    if (const std::optional<std::string_view> command = HotKeyConfig::takenBy(*keyCode, modifiers)) {
        m_hint->setText(
            QStringLiteral("%1 is already used by %2. Press another combination, or Esc.")
                .arg(QString::fromStdString(HotKeyConfig::display(modifiers, labelOf(*keyCode).toStdString())),
                     QString::fromUtf8(command->data(), static_cast<qsizetype>(command->size()))));
        return true;
    }
    stopRecording();
    HotKeyConfig::set(*keyCode, modifiers, labelOf(*keyCode).toStdString());
    showIdle();
    return true;
}

std::optional<std::uint32_t> HotKeyRecorder::keyCodeOf(const QKeyEvent& event)
{
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (auto code = HotKeyConfig::keyCodeForQtKey(event.key(), keypad))
        return code;
    if (event.key() == Qt::Key_Backtab)
        return HotKeyConfig::keyCodeForQtKey(Qt::Key_Tab, false);
    for (const auto& [shifted, plain] : shiftedSymbols) {
        if (event.key() == shifted)
            return HotKeyConfig::keyCodeForQtKey(plain, false);
    }
    return std::nullopt;
}

QString HotKeyRecorder::labelOf(std::uint32_t keyCode)
{
    const std::optional<HotKeyConfig::Key> key = HotKeyConfig::key(keyCode);
    if (!key)
        return QStringLiteral("?");
    // Printable keys show their unshifted character; space and the keys that type nothing show their name.
    if (key->keysym > 0x20 && key->keysym < 0x7f)
        return QString(QChar(static_cast<char16_t>(key->keysym))).toUpper();
    const QString name = QKeySequence(key->qtKey).toString(QKeySequence::NativeText);
    return name.isEmpty() ? QStringLiteral("?") : name;
}
