#include "commandicons.h"

#include "commandids.h"

#include <QString>

namespace {

struct CommandIconNames
{
    int id;
    // Icon theme names, the best fit first.
    const char* themeNames[2];
    // Our own glyph under :/quor/icons, or nullptr.
    const char* glyph;
};

constexpr CommandIconNames kCommandIcons[] = {
    {ID_FILE_SAVE, {"document-save"}, "document-save"},
    {ID_CATALOG_SAVE, {"document-save"}, "document-save"},
    {ID_FILE_SAVE_AS, {"document-save-as"}, "document-save-as"},
    {ID_FILE_OPEN, {"document-open"}, "document-open"},
    {ID_CATALOG_LOAD, {"document-open"}, "document-open"},
    {ID_FILE_PRINT, {"document-print"}, "document-print"},
    {ID_ARTICLE_NEW, {"document-new"}, "document-new"},
    {ID_FOLDER_NEW, {"folder-new"}, "folder-new"},
    {ID_EDIT_PASTE, {"edit-paste"}, "edit-paste"},
    {ID_ARTICLE_FROM_URL, {"internet-web-browser", "applications-internet"}, "web-page-new"},
    {ID_ARTICLE_EDIT, {"document-edit", "accessories-text-editor"}, "document-edit"},
    {ID_ARTICLE_IMPORT, {"document-import"}, "document-import"},
    {ID_ITEM_DELETE, {"edit-delete"}, "edit-delete"},
    {ID_FIND, {"edit-find"}, "edit-find"},
    // Plain arrows ("go-next") read as navigation, so only names made for searching.
    {ID_FIND_NEXT, {"edit-find-next", "go-down-search"}, "edit-find-next"},
    {ID_VIEW_CATALOG, {"view-list-tree"}, "view-list-tree"},
    {ID_VIEW_REFRESH, {"view-refresh"}, "view-refresh"},
    {ID_EDITOR_WINDOWS, {"window-duplicate"}, "window-list"},
    {ID_APP_ABOUT, {"help-about"}, "help-about"},
    {ID_ITEM_PROPERTIES, {"document-properties"}, nullptr},
    {ID_OPTIONS, {"configure", "preferences-system"}, nullptr},
    {ID_ARTICLE_POST, {"document-send", "mail-send"}, nullptr},
    {ID_APP_EXIT, {"application-exit"}, nullptr},
};

} // namespace

QIcon CommandIcon(int commandId)
{
    for (const auto& entry : kCommandIcons) {
        if (entry.id != commandId)
            continue;
        // Only an exact name: the theme lookup would otherwise cut "edit-find-next" back to
        // "edit-find" and give find next the find icon.
        for (const char* name : entry.themeNames) {
            if (name && QIcon::hasThemeIcon(QLatin1String(name)))
                return QIcon::fromTheme(QLatin1String(name));
        }
        return entry.glyph ? QIcon(QStringLiteral(":/quor/icons/%1.svg").arg(QLatin1String(entry.glyph))) : QIcon();
    }
    return {};
}
