#include "editorwindow.h"

#include "articlescheme.h"
#include "articletext.h"
#include "attachments.h"
#include "fileutil.h"
#include "messagebox.h"
#include "missiontable.h"
#include "sourcehighlighter.h"
#include "storedform.h"
#include "windowmessage.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWebChannel>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>

#include <utility>

namespace {

constexpr std::size_t kMaxArticleBytes = std::size_t(256) << 20;
constexpr auto kWorld = QWebEngineScript::ApplicationWorld;

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

// A JavaScript string literal of the text.
QString jsString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString resourceText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The page of the editor's view: it goes nowhere but to the article it is given.
class CEditorPage final : public QWebEnginePage
{
public:
    CEditorPage(QWebEngineProfile* profile, CArticleScheme* scheme, QObject* parent)
        : QWebEnginePage(profile, parent), m_scheme(scheme)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        return isMainFrame && type != NavigationTypeLinkClicked && type != NavigationTypeFormSubmitted &&
               url == m_scheme->DocumentUrl();
    }

private:
    CArticleScheme* m_scheme;
};

} // namespace

// The library's resources, named at global scope as the resource compiler names them.
static void initResources()
{
    Q_INIT_RESOURCE(scrivel);
}

CEditorWindow::CEditorWindow(ArticleTarget target, QWidget* parent) : QMainWindow(parent), m_target(std::move(target))
{
    initResources();
    setWindowIcon(QIcon(QStringLiteral(":/scrivel/scrivel.svg")));
    setWindowTitle(q(m_target.title) + QStringLiteral("[*] - Scrivel"));
    resize(1024, 720);

    const std::size_t slash = m_target.path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : m_target.path.substr(0, slash);
    m_profile = new QWebEngineProfile(this); // off the record: nothing of the article is kept
    m_scheme = new CArticleScheme(folder.empty() ? "/" : folder, m_target.path.substr(slash + 1), this);
    m_profile->installUrlSchemeHandler(CArticleScheme::kScheme, m_scheme);

    m_view = new QWebEngineView;
    auto* page = new CEditorPage(m_profile, m_scheme, m_view);
    m_view->setPage(page);
    QWebEngineSettings* s = page->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false); // the page's own scripts
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);

    m_bridge = new CEditBridge(this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("scrivel"), m_bridge);
    page->setWebChannel(m_channel, kWorld);
    QWebEngineScript script;
    script.setName(QStringLiteral("scrivel"));
    script.setSourceCode(resourceText(QStringLiteral(":/qtwebchannel/qwebchannel.js")) + QLatin1Char('\n') +
                         resourceText(QStringLiteral(":/scrivel/editor.js")));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(kWorld);
    script.setRunsOnSubFrames(false);
    page->scripts().insert(script);

    connect(m_bridge, &CEditBridge::edited, this, [this](int count) {
        m_changes = std::max(m_changes, count);
        updateModified();
    });
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        m_loaded = ok;
        if (!ok) {
            statusBar()->showMessage(tr("The article could not be shown."));
            return;
        }
        emit loaded();
    });
    connect(page, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
        statusBar()->showMessage(url);
    });

    // Editing only: nothing in the menu leaves the article.
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu;
        for (auto action : {QWebEnginePage::Undo, QWebEnginePage::Redo, QWebEnginePage::NoWebAction, QWebEnginePage::Cut,
                            QWebEnginePage::Copy, QWebEnginePage::Paste, QWebEnginePage::PasteAndMatchStyle,
                            QWebEnginePage::NoWebAction, QWebEnginePage::SelectAll})
            if (action == QWebEnginePage::NoWebAction)
                menu.addSeparator();
            else
                menu.addAction(m_view->pageAction(action));
        menu.exec(m_view->mapToGlobal(at));
    });

    m_source = new QPlainTextEdit;
    m_source->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_source->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    new CSourceHighlighter(m_source->document());
    connect(m_source->document(), &QTextDocument::modificationChanged, this, [this](bool changed) {
        if (changed && !m_fillingSource) {
            m_dirty = true;
            m_sourceEdited = true;
            updateModified();
        }
    });

    m_stack = new QStackedWidget;
    m_stack->addWidget(m_view);
    m_stack->addWidget(m_source);
    setCentralWidget(m_stack);
    createActions();
    createFindBar();
    statusBar();

    // The library re-processes the file after each save: an unchanged editor shows the
    // result. The folder tells of a file renamed over the article, the file of a write in
    // place.
    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPath(q(folder.empty() ? "/" : folder));
    m_watcher->addPath(q(m_target.path));
    m_diskCheck = new QTimer(this);
    m_diskCheck->setSingleShot(true);
    m_diskCheck->setInterval(500);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_diskCheck, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_diskCheck, qOverload<>(&QTimer::start));
    connect(m_diskCheck, &QTimer::timeout, this, &CEditorWindow::checkFileOnDisk);
}

CEditorWindow::~CEditorWindow()
{
    delete m_view; // the page goes before its profile
}

QWebEnginePage* CEditorWindow::Page() const
{
    return m_view->page();
}

void CEditorWindow::createActions()
{
    QToolBar* bar = addToolBar(tr("Edit"));
    bar->setObjectName(QStringLiteral("edit"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->setMovable(false);
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QMenu* format = menuBar()->addMenu(tr("F&ormat"));
    QMenu* insert = menuBar()->addMenu(tr("&Insert"));
    QMenu* view = menuBar()->addMenu(tr("&View"));

    const auto add = [&](QMenu* menu, const QString& text, const QKeySequence& keys, auto slot,
                         bool onBar = true) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setToolTip(keys.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(QString(text).remove(QLatin1Char('&')),
                                                                                   keys.toString(QKeySequence::NativeText)));
        connect(action, &QAction::triggered, this, slot);
        menu->addAction(action);
        if (onBar)
            bar->addAction(action);
        return action;
    };
    const auto command = [this](const char* name, const char* value = nullptr) {
        return [this, name, value] { Exec(QLatin1String(name), value ? QLatin1String(value) : QString()); };
    };

    add(file, tr("&Save"), QKeySequence::Save, [this] { Save(); });
    file->addSeparator();
    add(file, tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); }, false);
    bar->addSeparator();

    add(edit, tr("&Undo"), QKeySequence::Undo, [this] {
        if (IsShowingSource())
            m_source->undo();
        else
            Page()->triggerAction(QWebEnginePage::Undo);
    });
    add(edit, tr("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y), [this] {
        if (IsShowingSource())
            m_source->redo();
        else
            Page()->triggerAction(QWebEnginePage::Redo);
    });
    edit->addSeparator();
    add(edit, tr("&Find..."), QKeySequence::Find, [this] {
        m_findBar->show();
        m_findEdit->setFocus();
        m_findEdit->selectAll();
    }, false);
    bar->addSeparator();

    QAction* bold = add(format, tr("&Bold"), QKeySequence::Bold, command("bold"));
    QAction* italic = add(format, tr("&Italic"), QKeySequence::Italic, command("italic"));
    QAction* underline = add(format, tr("&Underline"), QKeySequence::Underline, command("underline"));
    QFont font = bold->font();
    font.setBold(true);
    bold->setFont(font);
    font.setBold(false);
    font.setItalic(true);
    italic->setFont(font);
    font.setItalic(false);
    font.setUnderline(true);
    underline->setFont(font);
    m_pageActions << bold << italic << underline;
    format->addSeparator();
    bar->addSeparator();
    m_pageActions << add(format, tr("Heading &1"), QKeySequence(Qt::CTRL | Qt::Key_1), command("formatBlock", "h1"));
    m_pageActions << add(format, tr("Heading &2"), QKeySequence(Qt::CTRL | Qt::Key_2), command("formatBlock", "h2"));
    m_pageActions << add(format, tr("Heading &3"), QKeySequence(Qt::CTRL | Qt::Key_3), command("formatBlock", "h3"));
    m_pageActions << add(format, tr("&Paragraph"), QKeySequence(Qt::CTRL | Qt::Key_0), command("formatBlock", "p"));
    m_pageActions[3]->setIconText(QStringLiteral("H1"));
    m_pageActions[4]->setIconText(QStringLiteral("H2"));
    m_pageActions[5]->setIconText(QStringLiteral("H3"));
    m_pageActions[6]->setIconText(QStringLiteral("¶"));
    format->addSeparator();
    bar->addSeparator();
    QAction* bullets = add(format, tr("&Bulleted List"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_8),
                           command("insertUnorderedList"));
    QAction* numbers = add(format, tr("&Numbered List"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_7),
                           command("insertOrderedList"));
    QAction* indent = add(format, tr("&Indent"), QKeySequence(Qt::CTRL | Qt::Key_BracketRight), command("indent"));
    QAction* outdent = add(format, tr("&Outdent"), QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), command("outdent"));
    bullets->setIconText(tr("• List"));
    numbers->setIconText(tr("1. List"));
    indent->setIconText(tr("Indent"));
    outdent->setIconText(tr("Outdent"));
    m_pageActions << bullets << numbers << indent << outdent;
    format->addSeparator();
    QAction* plain = add(format, tr("&Remove Formatting"), QKeySequence(Qt::CTRL | Qt::Key_Backslash),
                         command("removeFormat"));
    plain->setIconText(tr("Clear"));
    m_pageActions << plain;
    bar->addSeparator();

    QAction* link = add(insert, tr("&Link..."), QKeySequence(Qt::CTRL | Qt::Key_K), [this] { askForLink(); });
    QAction* picture = add(insert, tr("&Picture..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
                           [this] { askForPicture(); });
    link->setIconText(tr("Link"));
    picture->setIconText(tr("Picture"));
    m_pageActions << link << picture;
    bar->addSeparator();

    m_sourceAction = add(view, tr("HTML &Source"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U), [this] {
        ShowSource(m_sourceAction->isChecked());
    });
    m_sourceAction->setCheckable(true);
    m_sourceAction->setIconText(tr("Source"));
}

void CEditorWindow::createFindBar()
{
    m_findBar = new QToolBar(tr("Find"), this);
    m_findBar->setObjectName(QStringLiteral("find"));
    m_findBar->setMovable(false);
    m_findBar->addWidget(new QLabel(tr("Find: ")));
    m_findEdit = new QLineEdit;
    m_findEdit->setClearButtonEnabled(true);
    m_findEdit->setMaximumWidth(320);
    m_findBar->addWidget(m_findEdit);
    m_findBar->addAction(tr("Previous"), this, [this] { findNext(true); });
    m_findBar->addAction(tr("Next"), this, [this] { findNext(false); });
    m_findResult = new QLabel;
    m_findResult->setContentsMargins(8, 0, 8, 0);
    m_findBar->addWidget(m_findResult);
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_findBar->addWidget(spacer);
    m_findBar->addAction(tr("Close"), this, &CEditorWindow::closeFindBar);
    addToolBar(Qt::BottomToolBarArea, m_findBar);
    m_findBar->hide();
    connect(m_findEdit, &QLineEdit::returnPressed, this, [this] {
        findNext(QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_findBar);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &CEditorWindow::closeFindBar);
}

bool CEditorWindow::Open(std::string& error)
{
    std::string bytes;
    const int err = ReadWholeFile(m_target.path, bytes, kMaxArticleBytes);
    if (err == ENOENT && m_target.slot == 0) {
        bytes.clear(); // a new file named on the command line
    } else if (err != 0) {
        error = err == EFBIG ? m_target.path + ": larger than 256 MB" : ErrnoText(m_target.path, err);
        return false;
    }
    m_onDisk = bytes;
    m_document = DecodeArticle(bytes).text;
    load();
    return true;
}

void CEditorWindow::load()
{
    m_loaded = false;
    m_changes = m_savedChanges = 0;
    Page()->load(m_scheme->SetDocument(m_document));
    updateModified();
}

bool CEditorWindow::IsShowingSource() const
{
    return m_stack->currentWidget() == m_source;
}

bool CEditorWindow::IsModified() const
{
    return m_dirty || m_changes > m_savedChanges;
}

void CEditorWindow::updateModified()
{
    setWindowModified(IsModified());
}

void CEditorWindow::Exec(const QString& command, const QString& value)
{
    if (IsShowingSource() || !m_loaded)
        return;
    Page()->runJavaScript(QStringLiteral("window.scrivel && scrivel.exec(%1, %2)")
                              .arg(jsString(command), value.isNull() ? QStringLiteral("null") : jsString(value)),
                          kWorld);
}

void CEditorWindow::ShowSource(bool source)
{
    m_sourceAction->setChecked(source);
    for (QAction* action : std::as_const(m_pageActions))
        action->setEnabled(!source);
    if (source == IsShowingSource())
        return;
    if (!source) {
        // Edits in the source are shown by loading it again.
        m_stack->setCurrentWidget(m_view);
        if (m_sourceEdited) {
            m_document = sourceText();
            m_sourceEdited = false;
            load();
        }
        m_view->setFocus();
        return;
    }
    if (!m_loaded) {
        showInSource(m_document);
        return;
    }
    QPointer<CEditorWindow> self(this);
    Page()->runJavaScript(QStringLiteral("window.scrivel ? scrivel.serialize() : null"), kWorld,
                          [self](const QVariant& result) {
                              if (!self || !self->m_sourceAction->isChecked())
                                  return;
                              const QVariantMap parts = result.toMap();
                              if (parts.contains(QStringLiteral("body")))
                                  self->m_document = SpliceBody(
                                      self->m_document, parts.value(QStringLiteral("body")).toString().toStdString(),
                                      parts.value(QStringLiteral("head")).toString().toStdString(), self->m_target.title);
                              self->showInSource(self->m_document);
                          });
}

void CEditorWindow::showInSource(const std::string& page)
{
    m_fillingSource = true; // the text set here is no change of the user's
    m_source->setPlainText(q(page));
    m_fillingSource = false;
    m_stack->setCurrentWidget(m_source);
    m_source->setFocus();
}

std::string CEditorWindow::sourceText() const
{
    std::string text = m_source->toPlainText().toStdString();
    // The editor gives back lines ended by "\n"; a page of "\r\n" lines keeps those.
    if (m_document.find("\r\n") != std::string::npos && text.find('\r') == std::string::npos) {
        std::string crlf;
        crlf.reserve(text.size() + text.size() / 32);
        for (char c : text) {
            if (c == '\n')
                crlf += '\r';
            crlf += c;
        }
        text.swap(crlf);
    }
    return text;
}

void CEditorWindow::Save(const std::function<void(bool)>& done)
{
    const auto fail = [&](const QString& why) {
        report(why);
        if (done)
            done(false);
        emit saveFinished(false);
    };
    if (m_saving)
        return fail(tr("A save is already under way."));
    if (IsShowingSource())
        return finishSave(sourceText(), done);
    if (!m_loaded)
        return fail(tr("The article is not shown yet; nothing was saved."));
    m_saving = true;
    QPointer<CEditorWindow> self(this);
    Page()->runJavaScript(QStringLiteral("window.scrivel ? scrivel.serialize() : null"), kWorld,
                          [self, done](const QVariant& result) {
                              if (!self)
                                  return;
                              self->m_saving = false;
                              const QVariantMap parts = result.toMap();
                              if (!parts.contains(QStringLiteral("body"))) {
                                  self->report(tr("The article's text could not be read from the editor; nothing was saved."));
                                  if (done)
                                      done(false);
                                  emit self->saveFinished(false);
                                  return;
                              }
                              const int changes = parts.value(QStringLiteral("changes")).toInt();
                              const std::string page = SpliceBody(
                                  self->m_document, parts.value(QStringLiteral("body")).toString().toStdString(),
                                  parts.value(QStringLiteral("head")).toString().toStdString(), self->m_target.title);
                              self->m_changes = std::max(self->m_changes, changes);
                              const int before = self->m_savedChanges;
                              self->m_savedChanges = changes;
                              self->finishSave(page, [self, before, done](bool ok) {
                                  if (!ok && self)
                                      self->m_savedChanges = before;
                                  if (self)
                                      self->updateModified();
                                  if (done)
                                      done(ok);
                              });
                          });
}

void CEditorWindow::finishSave(const std::string& page, const std::function<void(bool)>& done)
{
    const std::string stored = ToStoredForm(page);
    std::string error;
    if (!WriteFileAtomically(m_target.path, stored, &error)) {
        report(tr("The article could not be saved; your text is still here.\n\n%1").arg(q(error)));
        if (done)
            done(false);
        emit saveFinished(false);
        return;
    }
    m_onDisk = stored;
    if (IsShowingSource()) {
        // The source holds the page's edits too: the view's are saved with it.
        m_source->document()->setModified(false);
        m_savedChanges = m_changes;
    }
    m_document = page;
    m_dirty = false;
    updateModified();
    statusBar()->showMessage(tr("Saved %1").arg(q(m_target.path)), 4000);
    notifyLibrary(EDITOR_SAVED);
    if (done)
        done(true);
    emit saveFinished(true);
}

void CEditorWindow::RequestClose()
{
    if (m_asking || m_saving || m_closing)
        return;
    if (IsShowingSource() || !m_loaded) {
        decideClose();
        return;
    }
    // The page's own count: an edit just made may not have been reported yet.
    QPointer<CEditorWindow> self(this);
    Page()->runJavaScript(QStringLiteral("window.scrivel ? scrivel.changes() : 0"), kWorld,
                          [self](const QVariant& count) {
                              if (!self)
                                  return;
                              self->m_changes = std::max(self->m_changes, count.toInt());
                              self->updateModified();
                              self->decideClose();
                          });
}

void CEditorWindow::decideClose()
{
    if (m_asking || m_closing)
        return;
    if (!IsModified()) {
        finishClose();
        return;
    }
    m_asking = true;
    const MsgResult answer =
        ShowMessageBox(this, tr("\"%1\" has changed.\n\nSave the changes before closing?").arg(q(m_target.title)),
                       QStringLiteral("Scrivel"), MsgButtons::YesNoCancel, MsgIcon::Question);
    m_asking = false;
    if (answer == MsgResult::Yes) {
        QPointer<CEditorWindow> self(this);
        Save([self](bool ok) {
            if (ok && self)
                self->finishClose();
        });
    } else if (answer == MsgResult::No) {
        finishClose();
    }
}

void CEditorWindow::finishClose()
{
    m_closing = true;
    notifyLibrary(EDITOR_CLOSED);
    close();
}

void CEditorWindow::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        QMainWindow::closeEvent(event);
        return;
    }
    // Decided after this event: a close() from within it would be ignored.
    event->ignore();
    QMetaObject::invokeMethod(this, &CEditorWindow::RequestClose, Qt::QueuedConnection);
}

void CEditorWindow::notifyLibrary(std::uint32_t command)
{
    if (m_target.slot <= 0)
        return;
    // A library that is gone is no reason to stop: the post just finds no one.
    PostWindowMessage(m_target.libraryWindow, m_target.message ? m_target.message : WM_EDITOR_NOTIFY, command,
                      m_target.slot);
}

void CEditorWindow::OnWindowMessage(quint32 message, quint32 wParam, qint32 lParam)
{
    if (message != (m_target.message ? m_target.message : WM_EDITOR_NOTIFY))
        return;
    if (wParam == EDITOR_CLOSE_REQUEST) {
        showNormal();
        raise();
        RequestClose();
    } else if (wParam == EDITOR_ACTIVATE && (lParam == 0 || lParam == m_target.slot)) {
        showNormal();
        raise();
        activateWindow();
        if (QWindow* window = windowHandle())
            window->requestActivate();
    }
}

bool CEditorWindow::InsertPicture(const QString& file)
{
    if (IsShowingSource() || !m_loaded)
        return false;
    std::string error;
    const std::string link = CopyIntoAttachments(file.toStdString(), m_target.path, m_target.attachDir, error);
    if (link.empty()) {
        report(tr("The picture could not be put into the article.\n\n%1").arg(q(error)));
        return false;
    }
    Exec(QStringLiteral("insertImage"), q(link));
    return true;
}

void CEditorWindow::InsertLink(const QString& address)
{
    const QString url = address.trimmed();
    if (url.isEmpty())
        return;
    const QString scheme = QUrl(url).scheme().toLower();
    if (scheme == QLatin1String("javascript") || scheme == QLatin1String("vbscript")) {
        report(tr("Links to scripts are not allowed in articles."));
        return;
    }
    Exec(QStringLiteral("createLink"), url);
}

void CEditorWindow::askForLink()
{
    bool ok = false;
    const QString address =
        QInputDialog::getText(this, tr("Link"), tr("Address:"), QLineEdit::Normal, QStringLiteral("https://"), &ok);
    if (ok)
        InsertLink(address);
}

void CEditorWindow::askForPicture()
{
    const QString file = QFileDialog::getOpenFileName(
        this, tr("Insert Picture"), QString(),
        tr("Pictures (*.png *.jpg *.jpeg *.gif *.bmp *.webp *.svg *.ico);;All files (*)"));
    if (!file.isEmpty())
        InsertPicture(file);
}

void CEditorWindow::findNext(bool backward)
{
    const QString text = m_findEdit->text();
    if (IsShowingSource()) {
        const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
        bool found = m_source->find(text, flags);
        if (!found && !text.isEmpty()) {
            // Round again from the other end.
            QTextCursor cursor = m_source->textCursor();
            cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
            m_source->setTextCursor(cursor);
            found = m_source->find(text, flags);
        }
        m_findResult->setText(found || text.isEmpty() ? QString() : tr("Not found"));
        return;
    }
    QPointer<QLabel> label(m_findResult);
    Page()->findText(text, backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags(),
                     [label, text](const QWebEngineFindTextResult& result) {
                         if (!label)
                             return;
                         if (text.isEmpty())
                             label->clear();
                         else if (result.numberOfMatches() == 0)
                             label->setText(tr("Not found"));
                         else
                             label->setText(tr("%1 of %2").arg(result.activeMatch()).arg(result.numberOfMatches()));
                     });
}

void CEditorWindow::closeFindBar()
{
    m_findBar->hide();
    m_findResult->clear();
    Page()->findText(QString());
    if (IsShowingSource())
        m_source->setFocus();
    else
        m_view->setFocus();
}

void CEditorWindow::checkFileOnDisk()
{
    if (!m_watcher->files().contains(q(m_target.path)))
        m_watcher->addPath(q(m_target.path)); // a new file took the name
    if (IsModified() || m_saving || m_asking || IsShowingSource())
        return;
    std::string bytes;
    if (ReadWholeFile(m_target.path, bytes, kMaxArticleBytes) != 0 || bytes == m_onDisk)
        return;
    m_onDisk = bytes;
    m_document = DecodeArticle(bytes).text;
    load();
    statusBar()->showMessage(tr("The article was changed on disk and has been shown again."), 6000);
}

void CEditorWindow::report(const QString& text)
{
    qWarning("Scrivel: %s", qPrintable(text));
    ShowMessageBox(this, text, QStringLiteral("Scrivel"), MsgButtons::Ok, MsgIcon::Warning);
}
