// The mouse pick: the entity under the camera's aim joins the tracked lists.
#include "loop/debug_pick.h"

#include <cmath>

#include "host/host_api.h"
#include "host/keys.h"
#include "host/natives.h"
#include "state/plugin_state.h"

namespace {

const float DegreesToRadians = 0.017453292f;
const float PickRayLength = 3000.0f;
const int LeftMouseButton = 1;
const int MiddleMouseButton = 4;
const int ControlAttempts = 100;

}  // namespace

Vec3 CameraAimPoint() {
    Vec3 rotation = game::GetGameplayCamRotation(2);
    Vec3 position = game::GetGameplayCamPosition();
    float pitch = rotation.x * DegreesToRadians;
    float yaw = rotation.z * DegreesToRadians;
    float c = std::fabs(std::cos(pitch));
    return MakeVec3(position.x - std::sin(yaw) * c * PickRayLength,
                    position.y + std::cos(yaw) * c * PickRayLength,
                    position.z + std::sin(pitch) * PickRayLength);
}

EntityHandle TakeControlOfEntity(EntityHandle entity) {
    for (int attempt = 0; attempt < ControlAttempts; ++attempt) {
        if (game::HasControlOfEntity(entity)) {
            break;
        }
        game::RequestControlOfEntity(entity);
        scriptWait(0);
    }
    return entity;
}

void DebugPick() {
    if (!IsKeyDown(LeftMouseButton) || !IsKeyDown(MiddleMouseButton)) {
        return;
    }
    Vec3 start = game::GetGameplayCamPosition();
    Vec3 end = CameraAimPoint();
    int32_t ray = game::StartShapeTestRay(start.x, start.y, start.z, end.x, end.y, end.z, -1, 0, 7);
    int32_t hit = 0;
    Vec3 endPosition;
    Vec3 surfaceNormal;
    EntityHandle entity = 0;
    game::GetShapeTestResult(ray, &hit, &endPosition, &surfaceNormal, &entity);
    // A ray that hits the world itself (a wall, the ground) names no entity:
    // there is nothing to take control of, and asking for it would only keep
    // the pass waiting for 100 frames on every pass the buttons stay down.
    if (hit == 0 || entity == 0) {
        return;
    }
    entity = TakeControlOfEntity(entity);
    if (game::IsEntityAPed(entity)) {
        Plugin.TrackedPeds.push_back(entity);
    } else if (game::IsEntityAVehicle(entity)) {
        Plugin.TrackedVehicles.push_back(entity);
    }
}
