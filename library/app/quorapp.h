#pragma once
// Brings the library program up and down: settings, the catalog file, one instance at a
// time, the main window and the published mission table.

#include "instancelock.h"
#include "missiontable.h"

#include <QStringList>

#include <memory>
#include <string>

class CMainFrame;
class CProfile;
class CQuorDoc;

class CQuorApp
{
public:
    CQuorApp();
    ~CQuorApp();
    CQuorApp(const CQuorApp&) = delete;
    CQuorApp& operator=(const CQuorApp&) = delete;

    // True to run; false to end the process with ExitCode().
    bool InitInstance(const QStringList& arguments);
    int ExitInstance(int exitCode);
    // 0 for the silent end of a second instance, 1 when start-up failed.
    int ExitCode() const { return m_exitCode; }

    // The catalog to open: the argument when it has 5 or more characters, else (isDefault)
    // "QuorCatalog.xml" in the program's folder.
    static std::string CatalogPathFromArguments(const QStringList& arguments, bool* isDefault = nullptr);

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    CMissionTable& MissionTable() { return m_missionTable; }
    CProfile& Profile() { return *m_pProfile; }

private:
    void reportStartFailure(const std::string& path, const std::string& reason);

    std::unique_ptr<CProfile> m_pProfile;
    std::unique_ptr<CQuorDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    CInstanceLock m_instanceLock;
    CMissionTable m_missionTable;
    int m_exitCode = 0;
};
