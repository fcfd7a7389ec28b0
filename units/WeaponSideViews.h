#pragma once
// The info panel's pictures of a team's heavy weapon: a side view of the
// model the battlefield draws it with, one picture a model. Shared by the
// game and the art generator (header only, no dependencies).
#include <cstdint>

constexpr int32_t kWeaponSideViewBase = 26400;
// 89 x 61 pixels: the right box of the info panel, drawn at (364, 22).
constexpr int32_t kWeaponSideViewWidth = 89, kWeaponSideViewHeight = 61;

// The views, by the model table they are drawn from.
enum WeaponSideView : int32_t {
    kWeaponView50mmAT = 0,  // "50AT": ordnance model 6
    kWeaponViewFlak,        // "20Flak": every gun model the drawing has no own table for
    kWeaponViewInfantryGun, // "75IG": ordnance model 21
    kWeaponView37mmAT,      // "37AT_USA": ordnance model 36
    kWeaponViewMortar,      // "Mortar": the mortars
    kWeaponViewCount
};
inline constexpr const char* kWeaponViewModels[kWeaponViewCount] = {"50AT", "20Flak", "75IG", "37AT_USA",
                                                                    "Mortar"};

// The picture of a heavy weapon of class `weaponClass` drawn with ordnance
// model `ordnanceModel` (42 none), or 0 when it has none: guns (classes 2
// and 3) by the gun model the drawing takes for their ordnance model, the
// mortars (class 4); a gun without a model of its own and every other class
// (light anti-tank weapons, observers, snipers, flame) have none.
constexpr int32_t WeaponSideViewPicture(int32_t weaponClass, int32_t ordnanceModel) {
    if (weaponClass == 4) return kWeaponSideViewBase + kWeaponViewMortar;
    if (weaponClass != 2 && weaponClass != 3) return 0;
    switch (ordnanceModel) {
    case 42:
        return 0;
    case 6:
        return kWeaponSideViewBase + kWeaponView50mmAT;
    case 21:
        return kWeaponSideViewBase + kWeaponViewInfantryGun;
    case 36:
        return kWeaponSideViewBase + kWeaponView37mmAT;
    default:
        return kWeaponSideViewBase + kWeaponViewFlak;
    }
}
