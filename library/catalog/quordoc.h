#pragma once
// The open catalog file: its path, its modified flag and the article to show.

#include <QObject>

#include <functional>
#include <string>

class CQuorDoc final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQuorDoc)

public:
    explicit CQuorDoc(QObject* parent = nullptr);

    // Checks that the file can be read and takes its path. False with the reason in error.
    bool OnOpenDocument(const std::string& path, std::string* error);

    // When the catalog changed, save is called with the catalog's own path (the default
    // catalog's when none was opened). False (the modified flag kept, the reason in error)
    // when that save failed.
    bool OnSaveDocument(const std::function<bool(const std::string& path, std::string* error)>& save,
                        std::string* error);
    // The same, to another file; on success that file is the catalog's path from now on.
    bool OnSaveDocumentAs(const std::string& path,
                          const std::function<bool(const std::string& path, std::string* error)>& save,
                          std::string* error);
    // "QuorCatalog.xml" in the program's folder.
    static std::string DefaultPath();

    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& path);
    // The file name shown in the window title.
    std::string GetTitle() const;
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);

    std::string m_strArticleUrl;
    std::string m_strAttachDir;

signals:
    void modifiedChanged(bool modified);
    void pathChanged();

private:
    std::string m_strPathName;
    bool m_bModified = false;
};
