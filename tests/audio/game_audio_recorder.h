// The audio side faked for the tests of the display session, the game and the campaign:
// while one of these lives, their audio messages are recorded here instead of posted,
// and every sound or music reference a message carries is released at once, as the
// audio thread would.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/au_music.h"
#include "audio/au_seams.h"
#include "audio/au_sound.h"
#include "audio/au_thread.h"

struct RecordedAudioMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

class GameAudioRecorder {
public:
    GameAudioRecorder() {
        s_current = this;
        g_auSeams.audioRunning = Running;
        g_auSeams.postAudio = Post;
    }
    ~GameAudioRecorder() {
        AuResetSeams();
        s_current = nullptr;
    }
    GameAudioRecorder(const GameAudioRecorder&) = delete;
    GameAudioRecorder& operator=(const GameAudioRecorder&) = delete;

    // The messages of one kind, in order.
    std::vector<RecordedAudioMessage> Of(uint32_t message) const {
        std::vector<RecordedAudioMessage> out;
        for (const RecordedAudioMessage& m : messages)
            if (m.message == message) out.push_back(m);
        return out;
    }

    std::vector<RecordedAudioMessage> messages;
    bool running = true;   // whether the audio thread "exists"
    bool refuse = false;   // posts fail (the thread has no queue)

private:
    static bool Running() { return s_current->running; }
    static bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
        if (s_current->refuse) return false;
        s_current->messages.push_back({message, wParam, lParam});
        if (message == AUDIO_MSG_PLAY_SOUND && wParam)
            reinterpret_cast<CSoundData*>(wParam)->Release();
        if (message == AUDIO_MSG_PLAY_MUSIC && wParam)
            reinterpret_cast<CMusicData*>(wParam)->Release();
        return true;
    }

    static inline GameAudioRecorder* s_current = nullptr;
};
