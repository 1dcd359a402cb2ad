#include "FrameMap.h"

namespace simhost {

FrameMap::FrameMap() : frames_(std::make_shared<Frames>()) {}

Frame& FrameMap::operator[](const FrameKey& key)
{
    if (frames_.use_count() > 1) frames_ = std::make_shared<Frames>(*frames_);
    return (*frames_)[key];
}

}  // namespace simhost
