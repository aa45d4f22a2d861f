// The nine application looks of the View menu, each a widget style with a
// palette of its own. The chosen look is kept in the user's settings under
// "ApplicationLook" (default 214).
#pragma once

#include <QString>

#include <array>


namespace tarvex {

struct ApplicationLook {
    int id;
    const char *name;
};

inline constexpr int kDefaultLook = 214;
inline constexpr int kFirstLook = 210;
inline constexpr int kLastLook = 218;

const std::array<ApplicationLook, 9> &applicationLooks();

// The settings store of the program (organisation and application name).

// The stored look, or the default when none (or something invalid) is stored.
int storedLook();
void storeLook(int id);
// Sets the widget style and palette of the look; an unknown id applies the default.
void applyLook(int id);

} // namespace tarvex
