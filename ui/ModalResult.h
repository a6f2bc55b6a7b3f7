// The results a modal dialog returns: OK is 1, Cancel is 2; callers test only for Cancel.
#pragma once

inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
