// The object model on the simulated machines: every controller, adapter,
// remote controller and drive of a description is walked exactly once.
#include "byteimage.h"
#include "objectmodel_fakemachine.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

using namespace InfoMgr;

std::string machinePath(const std::string& name)
{
    return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "sim" / "machines" / name).string();
}

// The elements of a description counted by name, as a person reads them.
std::map<std::string, int> described(const std::string& name)
{
    std::stringstream text;
    text << std::ifstream(machinePath(name)).rdbuf();
    const std::string xml = text.str();
    std::map<std::string, int> counts;
    for (const std::string name : {"controller", "remote", "logicaldrive", "physicaldrive"}) {
        const std::string open = "<" + name;
        for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
            const char next = xml[at + open.size()];
            if (next != ' ' && next != '>' && next != '/')
                continue;
            // Tapes and other devices that are not disks are no physical drives.
            const std::string element = xml.substr(at, xml.find('>', at) - at);
            if (element.find("type=\"tape\"") == std::string::npos &&
                element.find("type=\"other\"") == std::string::npos)
                ++counts[name];
        }
    }
    return counts;
}

const auto childrenOf = objmodeltest::children;

struct Walk {
    int controllers = 0;
    int remotes = 0;
    int logical = 0;
    int physical = 0;
    std::set<INFOMGR_HANDLE> seen;
    int repeats = 0;
    std::set<std::string> names;
    std::map<std::string, std::string> busInfo;   // name -> bus information record in hex
    int statusRead = 0;      // controllers and remotes whose status byte (0 to 2) was read
    int fibreNamed = 0;      // adapters and Fibre Channel remotes with a non-zero world-wide name
    int identified = 0;      // remote controllers whose identity names the maker

    void visit(INFOMGR_HANDLE hObject)
    {
        if (!seen.insert(hObject).second)
            ++repeats;
    }
    void drives(INFOMGR_HANDLE hObject)
    {
        for (INFOMGR_HANDLE hDrive : childrenOf(hObject, 0x8003)) {
            visit(hDrive);
            ++logical;
        }
        for (INFOMGR_HANDLE hDrive : childrenOf(hObject, 0x8005)) {
            visit(hDrive);
            ++physical;
        }
    }
    void readStatus(INFOMGR_HANDLE hObject)
    {
        std::uint8_t bStatus = 0xFF;
        std::uint32_t dwSize = 1;
        if (getInfo(hObject, 5, 0, &bStatus, &dwSize) == kResultOk && bStatus <= 2)
            ++statusRead;
    }
    void readFibreIdentity(INFOMGR_HANDLE hObject)
    {
        std::uint8_t abIdentity[20] = {};
        std::uint32_t dwSize = sizeof abIdentity;
        if (getInfo(hObject, 2, 0, abIdentity, &dwSize) == kResultOk &&
            std::any_of(abIdentity, abIdentity + 8, [](std::uint8_t b) { return b != 0; }))
            ++fibreNamed;
    }
    void controller(INFOMGR_HANDLE hController, bool bHasDrives)
    {
        visit(hController);
        ++controllers;
        std::uint8_t abInfo[82] = {};
        std::uint32_t dwSize = sizeof abInfo;
        if (getInfo(hController, 1, 0, abInfo, &dwSize) == kResultOk) {
            // The serial number field of the reply is blank-padded.
            std::string name(reinterpret_cast<const char*>(abInfo + 18));
            name.erase(name.find_last_not_of(' ') + 1);
            names.insert(name);
            busInfo[name] = tsmtest::toHex({abInfo, 18});
        }
        if (bHasDrives)
            drives(hController);
        readStatus(hController);
        if (!bHasDrives)
            readFibreIdentity(hController);
        for (INFOMGR_HANDLE hRemote : childrenOf(hController, 0x8007)) {
            visit(hRemote);
            ++remotes;
            readStatus(hRemote);
            if (!bHasDrives)
                readFibreIdentity(hRemote);
            std::uint8_t abIdentity[64] = {};
            std::uint32_t dwIdentity = sizeof abIdentity;
            if (getInfo(hRemote, 6, 0, abIdentity, &dwIdentity) == kResultOk &&
                std::string(reinterpret_cast<const char*>(abIdentity + 3), 8) == "ORVANE  ")
                ++identified;
            drives(hRemote);
        }
    }
};

Walk walkMachine(const std::string& name)
{
    tsmtest::TempMachine machine;
    machine.useDescription(machinePath(name));
    discardRootClasses();
    Walk walk;
    INFOMGR_HANDLE hArrays = kNullHandle;
    INFOMGR_HANDLE hAdapters = kNullHandle;
    EXPECT_EQ(open(kNullHandle, 0x4002, &hArrays), kResultOk);
    EXPECT_EQ(open(kNullHandle, 0x4001, &hAdapters), kResultOk);
    for (INFOMGR_HANDLE hController : childrenOf(hArrays, 0x8000))
        walk.controller(hController, true);
    for (INFOMGR_HANDLE hAdapter : childrenOf(hAdapters, 0x8000))
        walk.controller(hAdapter, false);
    // A second walk finds the same objects and no new ones.
    const std::size_t nObjects = liveObjectCount();
    EXPECT_EQ(childrenOf(hArrays, 0x8000).size() + childrenOf(hAdapters, 0x8000).size(),
              static_cast<std::size_t>(walk.controllers));
    EXPECT_EQ(liveObjectCount(), nObjects);
    discardRootClasses();
    return walk;
}

TEST(ObjectModelOnMachine, WalksEachMachineOnce)
{
    for (const char* pszMachine : {"typical.xml", "large.xml"}) {
        SCOPED_TRACE(pszMachine);
        const auto counts = described(pszMachine);
        const Walk walk = walkMachine(pszMachine);
        EXPECT_EQ(walk.controllers, counts.at("controller"));
        EXPECT_EQ(walk.remotes, counts.at("remote"));
        EXPECT_EQ(walk.logical, counts.at("logicaldrive"));
        EXPECT_EQ(walk.physical, counts.at("physicaldrive"));
        EXPECT_EQ(walk.repeats, 0);
        if (std::string(pszMachine) != "typical.xml")
            continue;
        // Controller serial numbers come from each controller's own firmware.
        EXPECT_EQ(walk.names.count("P56A3C0KL4B102"), 1u);
        EXPECT_EQ(walk.names.count("P4611BXQ3901"), 1u);
        // Every controller and remote reports its status (the adapter has none);
        // the adapter and its two remotes have world-wide names; the two CISS
        // remotes and the array controller behind the adapter identify the maker.
        EXPECT_EQ(walk.statusRead, walk.controllers + walk.remotes - 1);
        EXPECT_EQ(walk.fibreNamed, 3);
        EXPECT_EQ(walk.identified, 3);
        // Board 0x4C01F1A7 on PCI bus 2, device 3: slot 2 from the setup records.
        EXPECT_EQ(walk.busInfo.at("P56A3C0KL4B102"), "02000000" "0200" "a7f1" "014c" "00800100" "014ca7f1");
    }
}

}
