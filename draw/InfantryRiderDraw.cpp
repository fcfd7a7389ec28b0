// A rider's place on its carrier: the frame moves to the carrier's centre,
// turns with its heading and tilts with its hull; a squad then stands on the
// deck (two squads side by side), a towed gun's crew and gun trail behind the
// tractor. The figures are scaled down a little while riding.
#include <cmath>

#include "draw/Draw3D.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

constexpr float kFigureUnit = 0.012990149669349194f; // metres per figure unit
constexpr float kRiderScale = 0.8999999761581421f;
// A towed gun faces away from its tractor: its frame is the tractor's turned
// half round, and the tractor's tilt is applied about the tractor's axes.
constexpr float kTowAngle = 180.0f;
// The placement factors below are for size values proportioned to the
// vehicle: our model rows give length, width and height in metres, so the
// size along the hull is the length over 10, the size upwards the height
// over 3, and the towing size the length over 8. A lorry 6 m long and 2.2 m
// high so carries its squad 1.25 m behind its centre at 1.29 m, and tows a
// gun 3.75 m behind its centre.
constexpr float kLengthPerSize = 10.0f;
constexpr float kHeightPerSize = 3.0f;
constexpr float kTowLengthPerSize = 8.0f;
constexpr float kSideStep = 0.48f;

Vehicle* CarrierOf(Infantry* rider) {
    Unit* t = rider ? rider->mTransport : nullptr;
    if (!t || t == rider || t->mUnitType != kUnitVehicle) return nullptr;
    auto* v = static_cast<Vehicle*>(t);
    const int32_t model = GetActualModelX(v->GetVehicleDataRecord(2).mModel);
    if (model < 0 || model >= gVehicleModelData.Count()) return nullptr;
    return v;
}

} // namespace

RiderPlacement PlaceRider(Infantry* rider, float d) {
    RiderPlacement p;
    Vehicle* carrier = CarrierOf(rider);
    if (!carrier || !std::isfinite(d)) return p;
    p.carrier = carrier;
    const float* size = gVehicleModelData[GetActualModelX(carrier->GetVehicleDataRecord(2).mModel)].mSize;
    const float along = size[0] / kLengthPerSize, up = size[2] / kHeightPerSize,
                tow = size[0] / kTowLengthPerSize;
    Unit* first = carrier->mPassengers[0];
    if (first == rider)
        p.slot = carrier->mPassengers[1] ? -1.0f : 0.0f;
    else if (first)
        p.slot = 1.0f;
    if (rider->HasTowedOrdnance()) {
        p.towed = true;
        p.y = d * 5.0f * tow;
    } else if (rider->HasOrdnance(false, false)) {
        p.x = p.slot * d * kSideStep;
        p.y = -1.1f * d * along;
        p.z = 2.0f * d * up;
    } else {
        p.x = p.slot * d * kSideStep;
        p.y = -2.08f * d * along;
        p.z = 1.76f * d * up;
    }
    return p;
}

void Infantry::Tilt(bool draw) {
    Vehicle* carrier = draw ? CarrierOf(this) : nullptr;
    if (!carrier) return;
    carrier->Tilt(true);
    const bool towed = HasTowedOrdnance();
    if (towed) d3::RotateZ(-kTowAngle);
    d3::RotateX(carrier->mDrawnPitch);
    d3::RotateY(carrier->mDrawnRoll);
    if (towed) d3::RotateZ(kTowAngle);
}

void Infantry::ScaleForType(float* scale, float, float, float) {
    if (!scale) return;
    // The enlargement over the true size (1.0 at unit scale 0) stands for
    // the carrier's enlargement, so the riders keep their place on it.
    const RiderPlacement p = PlaceRider(this, *scale);
    if (p.carrier) {
        Vehicle* c = p.carrier;
        d3::Translate(c->mX - mX, c->mY - mY, c->GetZ() - VehicleDrawnSinking(*c) - GetZ());
        d3::RotateZ(c->mHeading - 90.0f);
        if (p.towed) d3::RotateZ(kTowAngle);
        Tilt(true);
        d3::Translate(p.x, p.y, p.z);
        *scale *= kRiderScale;
    }
    *scale *= kFigureUnit;
}

// Whether the rider's frame already turns with its carrier.
bool RidesInCarrierFrame(Infantry* rider) {
    return CarrierOf(rider) != nullptr;
}
