// Times StopAudio: from the last stop to the end of the audio thread, with the music
// and the jet playing, once after the campaign's close message (the devices fading
// out) and once with the devices still open (a quit straight from a game).
//
// Run: build/bench/audio/audio_stop_bench [rounds] (any sound card, or none: the
// dummy driver keeps real time).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "audio/au_music.h"
#include "audio/au_sound.h"
#include "audio/au_thread.h"

namespace {

using Clock = std::chrono::steady_clock;

double StopMs(bool closeFirst) {
    StartAudio();
    CMusicData* music = LoadMusic("music");
    CSoundData* jet = LoadSound("jet");
    PostAudioMusic(music, SOUND_LOOP);
    PostAudioMessage(AUDIO_MSG_OPEN, 0, 0);
    PostAudioSound(jet, SOUND_CHANNEL_ENGINE | SOUND_LOOP);
    SetAudioVolume(SOUND_CHANNEL_ENGINE, 1.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const Clock::time_point start = Clock::now();
    if (closeFirst) PostAudioMessage(AUDIO_MSG_CLOSE, 0, 0);
    StopAudio();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (music) music->Release();
    if (jet) jet->Release();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    for (int closeFirst = 1; closeFirst >= 0; --closeFirst) {
        double worst = 0, total = 0;
        for (int i = 0; i < rounds; ++i) {
            const double ms = StopMs(closeFirst != 0);
            total += ms;
            if (ms > worst) worst = ms;
        }
        std::printf("StopAudio %s: mean %.1f ms, worst %.1f ms over %d rounds\n",
                    closeFirst ? "after the close message" : "with the devices open",
                    total / rounds, worst, rounds);
    }
    return 0;
}
