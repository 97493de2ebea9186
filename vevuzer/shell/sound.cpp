#include "vevuzer/shell/sound.h"

#include <string>

#include "platform/winmm/mmsystem.h"

namespace vevuzer {

void playfile(std::string_view fileName) {
    const std::string name(fileName);
    sndPlaySoundA(name.c_str(), SND_ASYNC | SND_NODEFAULT);
}

}  // namespace vevuzer
