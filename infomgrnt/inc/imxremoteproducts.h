// The maker's external array controllers and enclosures that CISS remote
// discovery accepts: the vendor field and the product fields of their
// inquiry data, each compared in full.
#ifndef TSM_INFOMGRNT_IMXREMOTEPRODUCTS_H
#define TSM_INFOMGRNT_IMXREMOTEPRODUCTS_H

#include <array>
#include <cstddef>

namespace InfoMgr {

constexpr std::size_t kInquiryVendorLength = 8;
constexpr std::size_t kInquiryProductLength = 16;

constexpr char kRemoteVendor[] = "ORVANE  ";

constexpr std::array<const char*, 7> kRemoteProducts = {
    "RAIDSHELF 2100  ", "RAIDSHELF 2200  ", "ARRAYBOX 4400   ", "ARRAYBOX 4800   ",
    "FIBREVAULT 10   ", "FIBREVAULT 20   ", "DISKTOWER 8     ",
};

}

#endif
