#include "document/qt/DocumentOCRWindow.h"

#include "document/qt/DocumentOCRController.h"
#include "export/BatchExpand.h"
#include "ui/qt/Look.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace {
constexpr int toolbarInset = 12;
constexpr int textInset = 14;

QFont scaledFont(const QFont& base, qreal factor, QFont::Weight weight = QFont::Normal)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * factor);
    font.setWeight(weight);
    return font;
}

QColor noteOrange(const QPalette& palette)
{
    // The same hue reads on light and dark backgrounds only when its lightness follows the background.
    return palette.color(QPalette::Window).lightness() < 128 ? QColor(0xF5, 0xA6, 0x23) : QColor(0xC2, 0x5E, 0x00);
}

QPixmap glyph(int size, qreal ratio, const std::function<void(QPainter&, qreal)>& draw)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, size);
    return pixmap;
}

// A page inside the four corners of a viewfinder: the window's invitation to drop a scan.
QPixmap viewfinderGlyph(int size, qreal ratio, const QColor& colour)
{
    return glyph(size, ratio, [&](QPainter& p, qreal s) {
        QPen pen(colour, s * 0.055, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        const qreal m = s * 0.06;
        const qreal arm = s * 0.22;
        const qreal r = s * 0.08;
        const QRectF box(m, m, s - 2 * m, s - 2 * m);
        QPainterPath corners;
        corners.moveTo(box.left(), box.top() + arm);
        corners.arcTo(QRectF(box.left(), box.top(), 2 * r, 2 * r), 180, -90);
        corners.lineTo(box.left() + arm, box.top());
        corners.moveTo(box.right() - arm, box.top());
        corners.arcTo(QRectF(box.right() - 2 * r, box.top(), 2 * r, 2 * r), 90, -90);
        corners.lineTo(box.right(), box.top() + arm);
        corners.moveTo(box.right(), box.bottom() - arm);
        corners.arcTo(QRectF(box.right() - 2 * r, box.bottom() - 2 * r, 2 * r, 2 * r), 0, -90);
        corners.lineTo(box.right() - arm, box.bottom());
        corners.moveTo(box.left() + arm, box.bottom());
        corners.arcTo(QRectF(box.left(), box.bottom() - 2 * r, 2 * r, 2 * r), 270, -90);
        corners.lineTo(box.left(), box.bottom() - arm);
        p.drawPath(corners);
        // The page, with a folded corner and three lines of text.
        const QRectF page(s * 0.30, s * 0.24, s * 0.40, s * 0.52);
        const qreal fold = s * 0.11;
        QPainterPath sheet;
        sheet.moveTo(page.left(), page.top());
        sheet.lineTo(page.right() - fold, page.top());
        sheet.lineTo(page.right(), page.top() + fold);
        sheet.lineTo(page.right(), page.bottom());
        sheet.lineTo(page.left(), page.bottom());
        sheet.closeSubpath();
        sheet.moveTo(page.right() - fold, page.top());
        sheet.lineTo(page.right() - fold, page.top() + fold);
        sheet.lineTo(page.right(), page.top() + fold);
        pen.setWidthF(s * 0.045);
        p.setPen(pen);
        p.drawPath(sheet);
        for (int i = 0; i < 3; ++i) {
            const qreal y = page.top() + page.height() * (0.42 + 0.18 * i);
            const qreal right = i == 2 ? page.left() + page.width() * 0.55 : page.right() - page.width() * 0.2;
            p.drawLine(QPointF(page.left() + page.width() * 0.2, y), QPointF(right, y));
        }
    });
}

QPixmap infoGlyph(int size, qreal ratio, const QColor& colour)
{
    return glyph(size, ratio, [&](QPainter& p, qreal s) {
        p.setPen(QPen(colour, s * 0.1));
        p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QPointF(s * 0.5, s * 0.3), s * 0.07, s * 0.07);
        p.drawRoundedRect(QRectF(s * 0.44, s * 0.43, s * 0.12, s * 0.33), s * 0.04, s * 0.04);
    });
}

QPixmap tableGlyph(int size, qreal ratio, const QColor& colour)
{
    return glyph(size, ratio, [&](QPainter& p, qreal s) {
        p.setPen(QPen(colour, s * 0.09));
        const QRectF box(s * 0.08, s * 0.16, s * 0.84, s * 0.68);
        p.drawRoundedRect(box, s * 0.1, s * 0.1);
        p.drawLine(QPointF(box.left(), box.top() + box.height() / 3),
                   QPointF(box.right(), box.top() + box.height() / 3));
        p.drawLine(QPointF(box.left(), box.top() + 2 * box.height() / 3),
                   QPointF(box.right(), box.top() + 2 * box.height() / 3));
        p.drawLine(QPointF(box.center().x(), box.top()), QPointF(box.center().x(), box.bottom()));
    });
}

enum class ToolbarSymbol
{
    Folder,
    Clipboard,
    Download,
    Trash,
};

void drawToolbarSymbol(QPainter& p, qreal s, ToolbarSymbol symbol, const QColor& colour)
{
    p.setPen(QPen(colour, s * 0.085, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
    case ToolbarSymbol::Folder: {
        QPainterPath folder;
        folder.moveTo(s * 0.1, s * 0.8);
        folder.lineTo(s * 0.1, s * 0.22);
        folder.lineTo(s * 0.38, s * 0.22);
        folder.lineTo(s * 0.48, s * 0.32);
        folder.lineTo(s * 0.9, s * 0.32);
        folder.lineTo(s * 0.9, s * 0.8);
        folder.closeSubpath();
        p.drawPath(folder);
        p.drawLine(QPointF(s * 0.1, s * 0.44), QPointF(s * 0.9, s * 0.44));
        break;
    }
    case ToolbarSymbol::Clipboard:
        p.drawRoundedRect(QRectF(s * 0.18, s * 0.16, s * 0.64, s * 0.74), s * 0.08, s * 0.08);
        p.drawRoundedRect(QRectF(s * 0.36, s * 0.08, s * 0.28, s * 0.16), s * 0.05, s * 0.05);
        p.drawLine(QPointF(s * 0.32, s * 0.46), QPointF(s * 0.68, s * 0.46));
        p.drawLine(QPointF(s * 0.32, s * 0.64), QPointF(s * 0.58, s * 0.64));
        break;
    case ToolbarSymbol::Download: {
        p.drawLine(QPointF(s * 0.5, s * 0.1), QPointF(s * 0.5, s * 0.6));
        QPainterPath head;
        head.moveTo(s * 0.3, s * 0.42);
        head.lineTo(s * 0.5, s * 0.62);
        head.lineTo(s * 0.7, s * 0.42);
        p.drawPath(head);
        QPainterPath tray;
        tray.moveTo(s * 0.12, s * 0.62);
        tray.lineTo(s * 0.12, s * 0.88);
        tray.lineTo(s * 0.88, s * 0.88);
        tray.lineTo(s * 0.88, s * 0.62);
        p.drawPath(tray);
        break;
    }
    case ToolbarSymbol::Trash:
        p.drawLine(QPointF(s * 0.14, s * 0.24), QPointF(s * 0.86, s * 0.24));
        p.drawLine(QPointF(s * 0.4, s * 0.24), QPointF(s * 0.42, s * 0.12));
        p.drawLine(QPointF(s * 0.42, s * 0.12), QPointF(s * 0.58, s * 0.12));
        p.drawLine(QPointF(s * 0.58, s * 0.12), QPointF(s * 0.6, s * 0.24));
        p.drawLine(QPointF(s * 0.22, s * 0.24), QPointF(s * 0.28, s * 0.9));
        p.drawLine(QPointF(s * 0.28, s * 0.9), QPointF(s * 0.72, s * 0.9));
        p.drawLine(QPointF(s * 0.72, s * 0.9), QPointF(s * 0.78, s * 0.24));
        p.drawLine(QPointF(s * 0.42, s * 0.4), QPointF(s * 0.43, s * 0.74));
        p.drawLine(QPointF(s * 0.58, s * 0.4), QPointF(s * 0.57, s * 0.74));
        break;
    }
}

// The desktop's own icon where its theme has one; otherwise a line drawing in the text colour, which stays legible
// in light and dark palettes alike.
QIcon toolbarIcon(const char* themeName, ToolbarSymbol symbol, const QPalette& palette, qreal ratio)
{
    const QString name = QString::fromLatin1(themeName);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    QIcon icon;
    for (int size : {16, 22, 32}) {
        icon.addPixmap(glyph(size, ratio, [&](QPainter& p, qreal s) {
            drawToolbarSymbol(p, s, symbol, palette.color(QPalette::ButtonText));
        }));
    }
    return icon;
}
} // namespace

// The small spinning indicator shown while pages are being recognized.
class Spinner : public QWidget
{
public:
    explicit Spinner(QWidget* parent)
        : QWidget(parent)
    {
        setFixedSize(16, 16);
        m_timer.setInterval(80);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_step = (m_step + 1) % spokes;
            update();
        });
    }

protected:
    void showEvent(QShowEvent*) override { m_timer.start(); }
    void hideEvent(QHideEvent*) override { m_timer.stop(); }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(width() / 2.0, height() / 2.0);
        QColor colour = palette().color(QPalette::WindowText);
        for (int i = 0; i < spokes; ++i) {
            colour.setAlphaF(0.15f + 0.75f * float((i + spokes - m_step) % spokes) / spokes);
            p.setPen(QPen(colour, 1.8, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(0, -3.5), QPointF(0, -7));
            p.rotate(360.0 / spokes);
        }
    }

private:
    static constexpr int spokes = 8;
    QTimer m_timer;
    int m_step = 0;
};

// What the window shows with no pages: a symbol and two lines, tinted while files are dragged over it.
class EmptyState : public QWidget
{
public:
    explicit EmptyState(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("emptyState"));
        auto* layout = new QVBoxLayout(this);
        layout->setSpacing(12);
        layout->addStretch();
        m_symbol = new QLabel(this);
        m_symbol->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_symbol);
        m_title = new QLabel(QStringLiteral("Drop a scan here, or click Open\u2026"), this);
        m_title->setAlignment(Qt::AlignCenter);
        m_title->setFont(scaledFont(font(), 1.25));
        layout->addWidget(m_title);
        m_subtitle = new QLabel(QStringLiteral("Images and PDFs. Recognition runs on your computer."), this);
        m_subtitle->setAlignment(Qt::AlignCenter);
        m_subtitle->setFont(scaledFont(font(), 0.95));
        layout->addWidget(m_subtitle);
        layout->addStretch();
        applyColours();
    }

    void setHighlighted(bool highlighted)
    {
        if (m_highlighted == highlighted)
            return;
        m_highlighted = highlighted;
        update();
    }
    bool highlighted() const { return m_highlighted; }

    void applyColours()
    {
        m_symbol->setPixmap(viewfinderGlyph(46, devicePixelRatioF(), palette().color(QPalette::Highlight)));
        QPalette secondary = m_subtitle->palette();
        secondary.setColor(QPalette::WindowText, Look::secondaryText(palette()));
        m_subtitle->setPalette(secondary);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_highlighted)
            return;
        QColor tint = palette().color(QPalette::Highlight);
        tint.setAlphaF(0.08f);
        QPainter(this).fillRect(rect(), tint);
    }

private:
    QLabel* m_symbol = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    bool m_highlighted = false;
};

DocumentOCRWindow::DocumentOCRWindow(DocumentOCRController& controller)
    : QWidget(nullptr, Qt::Window)
    , m_controller(controller)
{
    setWindowTitle(QStringLiteral("OCR a Document"));
    setObjectName(QStringLiteral("documentWindow"));
    setMinimumSize(480, 400);
    resize(620, 560);
    setAcceptDrops(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(buildNote());
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setObjectName(QStringLiteral("divider"));
    layout->addWidget(divider);
    layout->addWidget(buildContent(), 1);

    connect(&m_controller, &DocumentOCRController::changed, this, &DocumentOCRWindow::refresh);
    applyColours();
    refresh();
}

QWidget* DocumentOCRWindow::buildToolbar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(toolbarInset, toolbarInset, toolbarInset, toolbarInset);
    row->setSpacing(12);

    auto* open = new QPushButton(QStringLiteral("Open\u2026"), bar);
    open->setObjectName(QStringLiteral("openButton"));
    connect(open, &QPushButton::clicked, this, &DocumentOCRWindow::openPanel);
    row->addWidget(open);

    m_modePicker = new QComboBox(bar);
    m_modePicker->setObjectName(QStringLiteral("modePicker"));
    m_modePicker->setFixedWidth(180);
    m_modePicker->setAccessibleName(QStringLiteral("Output mode"));
    for (Settings::OutputMode mode : Settings::allOutputModes)
        m_modePicker->addItem(QString::fromUtf8(Settings::label(mode).data(), qsizetype(Settings::label(mode).size())),
                              static_cast<int>(mode));
    connect(m_modePicker, &QComboBox::activated, this,
            [this](int index) { m_controller.setModeRaw(m_modePicker->itemData(index).toInt()); });
    row->addWidget(m_modePicker);

    row->addStretch(1);

    m_progress = new QWidget(bar);
    m_progress->setObjectName(QStringLiteral("progress"));
    auto* progressRow = new QHBoxLayout(m_progress);
    progressRow->setContentsMargins(0, 0, 0, 0);
    progressRow->setSpacing(6);
    progressRow->addWidget(new Spinner(m_progress));
    m_progressLabel = new QLabel(QStringLiteral("Recognizing\u2026"), m_progress);
    m_progressLabel->setFont(scaledFont(font(), 0.85));
    progressRow->addWidget(m_progressLabel);
    row->addWidget(m_progress);

    m_copyButton = new QPushButton(QStringLiteral("Copy"), bar);
    m_copyButton->setObjectName(QStringLiteral("copyButton"));
    connect(m_copyButton, &QPushButton::clicked, &m_controller, &DocumentOCRController::copyToClipboard);
    row->addWidget(m_copyButton);

    m_exportButton = new QToolButton(bar);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    m_exportButton->setText(QStringLiteral("Export"));
    m_exportButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_exportButton->setPopupMode(QToolButton::InstantPopup);
    m_exportButton->setAutoRaise(true);
    auto* menu = new QMenu(m_exportButton);
    for (DocumentOCRModel::ExportFormat format : DocumentOCRModel::allExportFormats) {
        const std::string_view text = label(format);
        menu->addAction(QString::fromUtf8(text.data(), qsizetype(text.size())), this,
                        [this, format] { exportFormat(format); });
    }
    m_exportButton->setMenu(menu);
    row->addWidget(m_exportButton);

    m_trashButton = new QToolButton(bar);
    m_trashButton->setObjectName(QStringLiteral("trashButton"));
    m_trashButton->setToolTip(QStringLiteral("Clear"));
    m_trashButton->setAccessibleName(QStringLiteral("Clear"));
    m_trashButton->setAutoRaise(true);
    connect(m_trashButton, &QToolButton::clicked, &m_controller, &DocumentOCRController::clear);
    row->addWidget(m_trashButton);
    return bar;
}

QWidget* DocumentOCRWindow::buildNote()
{
    m_note = new QWidget(this);
    m_note->setObjectName(QStringLiteral("note"));
    auto* row = new QHBoxLayout(m_note);
    row->setContentsMargins(toolbarInset, 0, toolbarInset, 8);
    row->setSpacing(6);
    m_noteIcon = new QLabel(m_note);
    row->addWidget(m_noteIcon);
    m_noteText = new QLabel(m_note);
    m_noteText->setObjectName(QStringLiteral("noteText"));
    m_noteText->setFont(scaledFont(font(), 0.85));
    row->addWidget(m_noteText);
    row->addStretch(1);
    return m_note;
}

QWidget* DocumentOCRWindow::buildContent()
{
    m_content = new QStackedWidget(this);
    m_emptyState = new EmptyState(m_content);
    m_content->addWidget(m_emptyState);

    m_text = new QPlainTextEdit(m_content);
    m_text->setObjectName(QStringLiteral("textView"));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->document()->setDocumentMargin(textInset);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Drops go to the window, which loads files, not to the text area, which would insert their names.
    m_text->setAcceptDrops(false);
    m_text->viewport()->setAcceptDrops(false);
    m_content->addWidget(m_text);

    m_capsule = new QLabel(QStringLiteral("Drop to add"), m_content);
    m_capsule->setObjectName(QStringLiteral("dropCapsule"));
    m_capsule->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_capsule->setContentsMargins(12, 6, 12, 6);
    m_capsule->hide();
    return m_content;
}

void DocumentOCRWindow::applyColours()
{
    const qreal ratio = devicePixelRatioF();
    findChild<QPushButton*>(QStringLiteral("openButton"))
        ->setIcon(toolbarIcon("document-open", ToolbarSymbol::Folder, palette(), ratio));
    m_copyButton->setIcon(toolbarIcon("edit-copy", ToolbarSymbol::Clipboard, palette(), ratio));
    m_exportButton->setIcon(toolbarIcon("document-save", ToolbarSymbol::Download, palette(), ratio));
    m_trashButton->setIcon(toolbarIcon("user-trash", ToolbarSymbol::Trash, palette(), ratio));
    QPalette secondary = m_progressLabel->palette();
    secondary.setColor(QPalette::WindowText, Look::secondaryText(palette()));
    m_progressLabel->setPalette(secondary);
    m_emptyState->applyColours();
    const QColor base = palette().color(QPalette::Window);
    const QColor text = palette().color(QPalette::WindowText);
    m_capsule->setStyleSheet(QStringLiteral("QLabel#dropCapsule { background: rgba(%1, %2, %3, 225); color: %4;"
                                            " border: 1px solid rgba(%5, %6, %7, 40); border-radius: 13px; }")
                                 .arg(base.red())
                                 .arg(base.green())
                                 .arg(base.blue())
                                 .arg(text.name())
                                 .arg(text.red())
                                 .arg(text.green())
                                 .arg(text.blue()));
    QPalette divider = palette();
    QColor line = text;
    line.setAlphaF(0.15f);
    divider.setColor(QPalette::WindowText, line);
    findChild<QFrame*>(QStringLiteral("divider"))->setPalette(divider);
    refresh();
}

void DocumentOCRWindow::refresh()
{
    if (m_text == nullptr)
        return;
    const DocumentOCRModel& model = m_controller.model();
    const QString text = QString::fromStdString(model.combinedText());

    const int index = m_modePicker->findData(static_cast<int>(model.mode()));
    if (index >= 0 && index != m_modePicker->currentIndex())
        m_modePicker->setCurrentIndex(index);
    m_progress->setVisible(model.pending() > 0);
    m_copyButton->setEnabled(!text.isEmpty());
    m_exportButton->setEnabled(!text.isEmpty());
    m_trashButton->setVisible(!model.sections().empty());

    if (const std::optional<std::string> note = model.detectionNote()) {
        const bool none = note->rfind("No table", 0) == 0;
        const QColor colour = none ? noteOrange(palette()) : Look::secondaryText(palette());
        const int size = QFontMetrics(m_noteText->font()).height();
        m_noteIcon->setPixmap(none ? infoGlyph(size, devicePixelRatioF(), colour)
                                   : tableGlyph(size, devicePixelRatioF(), colour));
        m_noteText->setText(QString::fromStdString(*note));
        QPalette notePalette = m_noteText->palette();
        notePalette.setColor(QPalette::WindowText, colour);
        m_noteText->setPalette(notePalette);
        m_note->show();
    } else {
        m_note->hide();
    }

    if (model.sections().empty()) {
        m_content->setCurrentWidget(m_emptyState);
    } else {
        m_content->setCurrentWidget(m_text);
        const QString shown = text.isEmpty() ? QStringLiteral("\u2026") : text;
        if (m_text->toPlainText() != shown)
            m_text->setPlainText(shown);
    }
    m_emptyState->setHighlighted(m_dropTargeted && model.sections().empty());
    m_capsule->setVisible(m_dropTargeted && !model.sections().empty());
    placeCapsule();
}

void DocumentOCRWindow::setDropTargeted(bool targeted)
{
    if (m_dropTargeted == targeted)
        return;
    m_dropTargeted = targeted;
    refresh();
}

void DocumentOCRWindow::placeCapsule()
{
    m_capsule->adjustSize();
    m_capsule->move((m_content->width() - m_capsule->width()) / 2, 6);
    m_capsule->raise();
}

void DocumentOCRWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeCapsule();
}

void DocumentOCRWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_capsule != nullptr)
        applyColours();
}

namespace {
bool carriesFiles(const QMimeData* mime)
{
    if (mime == nullptr || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}
} // namespace

void DocumentOCRWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!carriesFiles(event->mimeData()))
        return;
    event->acceptProposedAction();
    setDropTargeted(true);
}

void DocumentOCRWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (carriesFiles(event->mimeData()))
        event->acceptProposedAction();
}

void DocumentOCRWindow::dragLeaveEvent(QDragLeaveEvent* event)
{
    QWidget::dragLeaveEvent(event);
    setDropTargeted(false);
}

void DocumentOCRWindow::dropEvent(QDropEvent* event)
{
    setDropTargeted(false);
    QStringList files;
    if (event->mimeData() != nullptr) {
        // Not filtered by extension: anything that is no readable picture or PDF shows as unreadable.
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile())
                files.append(url.toLocalFile());
    }
    event->acceptProposedAction();
    if (!files.isEmpty())
        m_controller.load(files);
}

void DocumentOCRWindow::openPanel()
{
    auto* dialog = new QFileDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    QStringList patterns;
    for (const char* ext : {"png", "jpg", "jpeg", "tiff", "tif", "heic", "bmp", "gif", "pdf"})
        patterns << QStringLiteral("*.%1").arg(QLatin1String(ext))
                 << QStringLiteral("*.%1").arg(QLatin1String(ext)).toUpper();
    dialog->setNameFilters(
        {QStringLiteral("Images and PDFs (%1)").arg(patterns.join(QLatin1Char(' '))), QStringLiteral("All files (*)")});
    connect(dialog, &QFileDialog::filesSelected, this, [this](const QStringList& files) {
        if (!files.isEmpty())
            m_controller.load(files);
    });
    dialog->open();
    dialog->raise();
    dialog->activateWindow();
}

void DocumentOCRWindow::exportFormat(DocumentOCRModel::ExportFormat format)
{
    if (!m_controller.model().exportData(format))
        return;
    const QString ext = QString::fromLatin1(extension(format).data(), qsizetype(extension(format).size()));
    auto* dialog = new QFileDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("*.%1").arg(ext));
    dialog->setDefaultSuffix(ext);
    dialog->selectFile(QString::fromStdString(m_controller.model().suggestedBaseName()) + QLatin1Char('.') + ext);
    // The bytes are those of the moment the user asked, even if more pages finish while the dialog is open.
    const std::string bytes = *m_controller.model().exportData(format);
    connect(dialog, &QFileDialog::fileSelected, this, [this, bytes](const QString& path) {
        if (!path.isEmpty())
            m_controller.writeExport(bytes, path);
    });
    dialog->open();
    dialog->raise();
    dialog->activateWindow();
}
