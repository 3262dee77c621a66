// The object model on the simulated machines: every controller, adapter,
// remote controller and drive of a description is walked exactly once.
#include "objectmodel_fakemachine.h"
#include "tempmachine.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

using namespace InfoMgr;
using objmodeltest::children;
using objmodeltest::openRoot;

// The elements of a description counted by name, as a person reads them;
// tapes and other devices that are not disks are no physical drives.
std::map<std::string, int> described(const std::string& path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    const std::string xml = text.str();
    std::map<std::string, int> counts;
    for (const std::string name : {"controller", "remote", "logicaldrive", "physicaldrive"})
        for (std::size_t at = xml.find("<" + name); at != std::string::npos; at = xml.find("<" + name, at + 1)) {
            const std::string element = xml.substr(at, xml.find('>', at) - at);
            const char next = xml[at + 1 + name.size()];
            if ((next == ' ' || next == '>' || next == '/') && element.find("type=\"tape\"") == std::string::npos &&
                element.find("type=\"other\"") == std::string::npos)
                ++counts[name];
        }
    return counts;
}

struct Walk {
    std::map<std::string, int> counts;
    std::set<INFOMGR_HANDLE> seen;
    int repeats = 0;

    void visit(INFOMGR_HANDLE hObject, const char* pszKind)
    {
        ++counts[pszKind];
        repeats += seen.insert(hObject).second ? 0 : 1;
    }
    void drives(INFOMGR_HANDLE hObject)
    {
        for (INFOMGR_HANDLE hDrive : children(hObject, 0x8003))
            visit(hDrive, "logicaldrive");
        for (INFOMGR_HANDLE hDrive : children(hObject, 0x8005))
            visit(hDrive, "physicaldrive");
    }
};

TEST(ObjectModelOnMachine, WalksEachMachineOnce)
{
    for (const char* pszMachine : {"typical.xml", "large.xml"}) {
        SCOPED_TRACE(pszMachine);
        const std::string path = std::string(TSM_SOURCE_DIR) + "/sim/machines/" + pszMachine;
        tsmtest::TempMachine machine;
        machine.useDescription(path);
        discardRootClasses();
        Walk walk;
        // Array controllers have drives; adapters only remote controllers.
        for (const auto& [eRoot, bDrives] : {std::pair{0x4002u, true}, std::pair{0x4001u, false}})
            for (INFOMGR_HANDLE hController : children(openRoot(eRoot), 0x8000)) {
                walk.visit(hController, "controller");
                if (bDrives)
                    walk.drives(hController);
                for (INFOMGR_HANDLE hRemote : children(hController, 0x8007)) {
                    walk.visit(hRemote, "remote");
                    walk.drives(hRemote);
                }
            }
        EXPECT_EQ(walk.counts, described(path));
        EXPECT_EQ(walk.repeats, 0);
        // A second walk finds the same objects and no new ones.
        const std::size_t nObjects = liveObjectCount();
        EXPECT_EQ(children(openRoot(0x4002), 0x8000).size() + children(openRoot(0x4001), 0x8000).size(),
                  static_cast<std::size_t>(walk.counts["controller"]));
        EXPECT_EQ(liveObjectCount(), nObjects);
        discardRootClasses();
    }
}

}
