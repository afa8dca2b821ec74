#include "src/transport/spare_receive_areas.h"

#include <mutex>
#include <vector>

#include "base/comframe/module.h"

namespace nvx::transport {
namespace {

using OwnedArea = std::unique_ptr<uint8_t[]>;

class SpareAreas {
public:
    static SpareAreas& Instance()
    {
        static SpareAreas spares;
        return spares;
    }

    OwnedArea Take()
    {
        const std::lock_guard lock(mutex_);
        if (areas_.empty()) return nullptr;
        OwnedArea area = std::move(areas_.back());
        areas_.pop_back();
        return area;
    }

    // An area beyond what is kept, or given back once the module is
    // unloading, is freed at once.
    void Keep(OwnedArea area)
    {
        const std::lock_guard lock(mutex_);
        if (!unloading_ && areas_.size() < kMaxSpares) areas_.push_back(std::move(area));
    }

private:
    static constexpr size_t kMaxSpares = 16;  // as many threads as callers commonly run

    SpareAreas()
    {
        areas_.reserve(kMaxSpares);
        com::Module::AddShutdownAction([this] {
            const std::lock_guard lock(mutex_);
            unloading_ = true;
            areas_.clear();
        });
    }

    std::mutex mutex_;
    bool unloading_ = false;
    std::vector<OwnedArea> areas_;
};

}  // namespace

void ReceiveAreaReturn::operator()(uint8_t* area) const { SpareAreas::Instance().Keep(OwnedArea(area)); }

ReceiveArea TakeReceiveArea()
{
    OwnedArea area = SpareAreas::Instance().Take();
    if (!area) area.reset(new uint8_t[kReceiveAreaSize]);
    return ReceiveArea(area.release());
}

}  // namespace nvx::transport
