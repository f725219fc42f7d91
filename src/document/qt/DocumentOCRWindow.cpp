#include "document/qt/DocumentOCRWindow.h"

#include "document/qt/DocumentOCRController.h"
#include "export/BatchExpand.h"
#include "store/qt/RecentFolders.h"
#include "ui/qt/Glyphs.h"
#include "ui/qt/Look.h"
#include "ui/qt/OpenWindows.h"

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
#include <QShortcut>
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
        m_symbol->setPixmap(Glyphs::drawn(Glyphs::Symbol::DropTarget, palette().color(QPalette::Highlight))
                                .pixmap(QSize(46, 46), devicePixelRatioF()));
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
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setContentsMargins(toolbarInset, 4, toolbarInset, 6);
    m_status->setFont(scaledFont(font(), 0.9));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->hide();
    layout->addWidget(m_status);

    // The keys of a Linux document window: open, save (the export menu, whose formats the arrows pick), close.
    auto* openKeys = new QShortcut(QKeySequence::Open, this, this, &DocumentOCRWindow::openPanel);
    openKeys->setObjectName(QStringLiteral("openKeys"));
    auto* saveKeys = new QShortcut(QKeySequence::Save, this, this, [this] {
        // Opened under the button without waiting for it to close, as a click on the button would open it.
        if (m_exportButton->isEnabled())
            m_exportButton->menu()->popup(m_exportButton->mapToGlobal(QPoint(0, m_exportButton->height())));
    });
    saveKeys->setObjectName(QStringLiteral("saveKeys"));
    OpenWindows::addCloseKeys(this);

    connect(&m_controller, &DocumentOCRController::changed, this, &DocumentOCRWindow::refresh);
    connect(&m_controller, &DocumentOCRController::status, this, [this](const QString& text) {
        m_status->setText(text);
        m_status->setVisible(!text.isEmpty());
    });
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
    open->setToolTip(QStringLiteral("Open a picture or PDF in place of this one (Ctrl+O); drop files to add them"));
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
    m_exportButton->setToolTip(QStringLiteral("Save the text as a file (Ctrl+S)"));
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
    findChild<QPushButton*>(QStringLiteral("openButton"))->setIcon(Glyphs::icon(Glyphs::Symbol::Folder));
    m_copyButton->setIcon(Glyphs::icon(Glyphs::Symbol::Clipboard));
    m_exportButton->setIcon(Glyphs::icon(Glyphs::Symbol::Save));
    m_trashButton->setIcon(Glyphs::icon(Glyphs::Symbol::Trash));
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
    const QString name = m_controller.documentName();
    setWindowTitle(name.isEmpty() ? QStringLiteral("OCR a Document") : name + QStringLiteral(" \u2014 OCR a Document"));

    const int index = m_modePicker->findData(static_cast<int>(model.mode()));
    if (index >= 0 && index != m_modePicker->currentIndex())
        m_modePicker->setCurrentIndex(index);
    const std::size_t pages = model.sections().size();
    const std::size_t pending = model.pending();
    m_progress->setVisible(pending > 0);
    if (pending > 0) {
        // Counted from the pages done, so the number only ever grows while pages finish in any order.
        m_progressLabel->setText(QStringLiteral("Page %1 of %2\u2026").arg(pages - pending + 1).arg(pages));
        // Never cut short: the window widens rather than hide the count.
        m_progressLabel->setMinimumWidth(m_progressLabel->sizeHint().width());
    }
    m_copyButton->setEnabled(model.hasText());
    m_exportButton->setEnabled(model.hasText());
    m_trashButton->setVisible(!model.sections().empty());

    if (const std::optional<std::string> note = model.detectionNote()) {
        const bool prose = note->rfind("Text", 0) == 0;
        const QColor colour = Look::secondaryText(palette());
        const int size = QFontMetrics(m_noteText->font()).height();
        m_noteIcon->setPixmap(Glyphs::drawn(prose ? Glyphs::Symbol::TextLines : Glyphs::Symbol::Table, colour)
                                  .pixmap(QSize(size, size), devicePixelRatioF()));
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
    RecentFolders::attach(dialog, RecentFolders::Kind::Documents);
    // Open shows the chosen document in place of the one shown, as an editor's Open does; a drop adds.
    connect(dialog, &QFileDialog::filesSelected, this, [this](const QStringList& files) { m_controller.open(files); });
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
    RecentFolders::attach(dialog, RecentFolders::Kind::Documents);
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
