#pragma once
// Design-time geometry of the job card window frmJob, in twips: the two account options with
// their boxes on top, the address below them, the unit's fields in label-and-box rows, then
// the requested services and Close.

#include "board/window_layout.h"

namespace tervalo::card_design {

inline constexpr int kClientWidth = 5295;
inline constexpr int kClientHeight = 7140;
inline constexpr int kItemsWidth = 5055;  // Gitems and its one column

inline constexpr ControlGeometry kOptBillto{120, 150, 975, 255};
inline constexpr ControlGeometry kTxtAccount{1140, 120, 1335, 315};
inline constexpr ControlGeometry kOptShipto{2640, 150, 975, 255};
inline constexpr ControlGeometry kTxtShipto{3660, 120, 1515, 315};
inline constexpr ControlGeometry kTxtAddr{120, 540, kItemsWidth, 1035};

inline constexpr ControlGeometry kLblPart{120, 1710, 1095, 255};
inline constexpr ControlGeometry kTxtPart{1260, 1680, 3915, 315};
inline constexpr ControlGeometry kLblDelivery{120, 2070, 1095, 255};
inline constexpr ControlGeometry kTxtDelivery{1260, 2040, 1695, 315};
inline constexpr ControlGeometry kLblCat{3060, 2070, 735, 255};
inline constexpr ControlGeometry kTxtCat{3840, 2040, 1335, 315};
inline constexpr ControlGeometry kLblSN1{120, 2430, 1095, 255};
inline constexpr ControlGeometry kTxtSN1{1260, 2400, 2295, 315};
inline constexpr ControlGeometry kLblMeter{3660, 2430, 555, 255};
inline constexpr ControlGeometry kTxtMeter{4260, 2400, 915, 315};
inline constexpr ControlGeometry kLblSN2{120, 2790, 1095, 255};
inline constexpr ControlGeometry kTxtSN2{1260, 2760, 2295, 315};
inline constexpr ControlGeometry kLblDateIn{120, 3150, 1095, 255};
inline constexpr ControlGeometry kTxtDateIn{1260, 3120, 1335, 315};
inline constexpr ControlGeometry kLblPurchase{2760, 3150, 1035, 255};
inline constexpr ControlGeometry kTxtPurchase{3840, 3120, 1335, 315};
inline constexpr ControlGeometry kLblWarr{120, 3510, 1095, 255};
inline constexpr ControlGeometry kTxtWarr{1260, 3480, 1335, 315};
inline constexpr ControlGeometry kLblExtWarr{2760, 3510, 1035, 255};
inline constexpr ControlGeometry kTxtExtWarr{3840, 3480, 1335, 315};

inline constexpr ControlGeometry kLblItems{120, 3960, 2175, 255};
inline constexpr ControlGeometry kGitems{120, 4230, kItemsWidth, 2235};
inline constexpr ControlGeometry kBtnClose{4080, 6600, 1095, 375};

// The card opens this far below the top of the first mechanic grid.
inline constexpr int kBelowMechanicGrid = 500;

}  // namespace tervalo::card_design
