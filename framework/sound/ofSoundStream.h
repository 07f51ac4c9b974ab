#pragma once
// Read-ahead for streamed sounds. Every channel that plays a stream owns a
// feed: a ring of decoded frames that the decoder thread keeps filled from
// the file, so neither the game thread nor the audio thread ever waits on a
// file. The decoder reads the file round and round; each time it starts
// again from frame 0 it marks the spot in the ring, and the mixer decides
// there whether the channel loops (carries on seamlessly) or ends.
//
// Every field marked "shared" is guarded by the engine's mutex, which the
// decoder thread takes only to look at a feed and to append a decoded chunk.
#include "ofSoundFile.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ofSoundStreamFeed {
    ofSoundStreamFeed(const std::string& path, int channels);

    // Frames the ring holds, a power of two.
    static constexpr uint32_t kCapacity = 65536;

    // Shared. Drops what is buffered and restarts the feed at file frame
    // `frame`; the first frames come from `head` (the start of the file,
    // decoded when the sound was created) when they lie inside it.
    void reposition(uint64_t frame, const float* head, uint64_t headFrames);
    uint64_t available() const { return writeCount - readCount; }
    const float* frameAt(uint64_t count) const {
        return &ring[(count & (kCapacity - 1)) * channels];
    }

    const std::string path;
    const int channels;

    // Shared.
    std::vector<float> ring;
    uint64_t readCount = 0;            // frames the mixer has consumed
    uint64_t writeCount = 0;           // frames appended
    std::deque<uint64_t> passStarts;   // write counts where frame 0 comes again
    uint64_t nextFileFrame = 0;        // the file frame to append next
    uint32_t epoch = 0;                // changes at every reposition
    bool failed = false;               // no more frames will come
    bool closed = false;               // the channel let go of it

    // Decoder thread only.
    ofSoundFile reader;
    bool readerTried = false;
    bool readerSeeks = true;           // false once the file refused a seek
    uint64_t readerFrame = 0;
};

class ofSoundStreamDecoder {
public:
    explicit ofSoundStreamDecoder(std::mutex& engineMutex);
    ~ofSoundStreamDecoder();
    ofSoundStreamDecoder(const ofSoundStreamDecoder&) = delete;
    ofSoundStreamDecoder& operator=(const ofSoundStreamDecoder&) = delete;

    void start();
    // Joins the thread and drops every feed. Call without the engine mutex.
    void stop();
    // Call with the engine mutex held.
    void add(std::shared_ptr<ofSoundStreamFeed> feed);
    void wake() { wakeUp.notify_one(); }

private:
    void run();
    // Decodes one chunk into `feed` if it has room; false when it had none.
    bool fill(ofSoundStreamFeed& feed, std::unique_lock<std::mutex>& lock);
    // Opens the feed's file at its first frame; false when it cannot be
    // read or no longer has the channels the sound was made with.
    static bool openReader(ofSoundStreamFeed& feed);

    std::mutex& mutex;
    std::condition_variable wakeUp;
    std::thread thread;
    bool quit = false;                                  // shared
    std::vector<std::shared_ptr<ofSoundStreamFeed>> feeds;  // shared
    std::vector<float> chunk;                           // decoder thread only
};
