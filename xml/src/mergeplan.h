// What merging one client document would do, worked out before anything is
// added: the pattern matches in the order the merge applies them, and the
// work that applying them costs.
#ifndef TSM_XML_MERGEPLAN_H
#define TSM_XML_MERGEPLAN_H

#include "mergework.h"

#include <xercesc/dom/DOMElement.hpp>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace Xml {

// A device pattern of the client and a device of the discovery document it matched.
struct PatternMatch {
    const xercesc::DOMElement* pPattern;
    xercesc::DOMElement* pDevice;
};

class MergePlan {
public:
    // Plans the client's patterns against the primary device list. Planning
    // stops as soon as the work would exceed `available`; the plan is then
    // incomplete and must not be applied.
    MergePlan(const xercesc::DOMElement& patterns, xercesc::DOMElement& primaryDevices,
              const xercesc::DOMElement* pClientInfo, const MergeWork& available);

    bool isComplete() const noexcept { return m_bComplete; }
    // Every match, in the order the merge adds its operations.
    const std::vector<PatternMatch>& matches() const noexcept { return m_matches; }
    // Planning included; what applying adds is counted generously.
    const MergeWork& work() const noexcept { return m_work; }

private:
    // What matching and applying one pattern costs, apart from the device.
    struct PatternCost {
        struct GroupOperation {
            std::string name;
            MergeWork newGroup; // the group, finished and possibly copied once by consolidation
        };

        PatternCost(const xercesc::DOMElement& patternElement, const MergeWork& info);

        const xercesc::DOMElement& pattern;
        MergeWork test; // testing a device: the criteria compared
        MergeWork perMatch; // the single-device operations, and the lookups of applying
        std::size_t singleOperations = 0;
        std::vector<GroupOperation> groupOperations;
    };

    const PatternCost& costOf(const xercesc::DOMElement& pattern);
    bool planPatterns(const xercesc::DOMElement& patternParent, xercesc::DOMElement& searchRoot);
    bool collectMatches(const PatternCost& cost, xercesc::DOMElement& root, std::vector<xercesc::DOMElement*>& matches);
    bool chargeMatch(const PatternCost& cost, const xercesc::DOMElement& device);
    bool chargeMultipleDeviceOperation(const std::string& name, const MergeWork& newGroup);
    bool charge(const MergeWork& work);

    MergeWork m_available;
    MergeWork m_work;
    MergeWork m_info; // the client's QWEXInfo, copied into every operation
    // Operation names of the groups in the device list, existing and planned,
    // and how many children the device list will have.
    std::set<std::string> m_groupOperations;
    std::size_t m_uListChildren = 0;
    std::size_t m_uGroupNameCharacters = 0;
    std::map<const xercesc::DOMElement*, PatternCost> m_costs;
    std::vector<PatternMatch> m_matches;
    bool m_bComplete = false;
};

}

#endif
