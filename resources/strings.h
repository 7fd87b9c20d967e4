#pragma once
// The numbered string table, read by number.

#include <string>

namespace kivano::resources {

enum StringId : int {
    kFilePrefix = 101,
    kSlash = 103,
    kIdlePage = 104,
    kStart = 105,
    kStop = 106,
    kMovingPage = 107,
    kStartMoving = 108,
    kStopMoving = 109,
    kHintStart = 110,
    kHintMinimize = 111,
    kHintDelay = 112,
    kHintSpeed = 113,
    kHintRandomize = 114,
    kHintTimer = 115,
    kStopTimer = 116,
    kSettingsKey = 117,
    kValueTimeDelay = 121,
    kValueSpeed = 122,
    kValueRandomise = 123,
    // Where the desktop must grant the pointer (Wayland) and refused: the page and the hint line's notice,
    // worded for the moving and the stopped window.
    kDeniedPage = 130,
    kNoticeRefusedMoving = 131,
    kNoticeRefusedStopped = 132,
    // Where nothing on the desktop keeps the session awake (Wayland): the hint line's notice.
    kNoticeNoAwake = 133,
};

// The text of entry `id`; an id that is not in the table gives the empty text.
std::string LoadResString(int id);

} // namespace kivano::resources
