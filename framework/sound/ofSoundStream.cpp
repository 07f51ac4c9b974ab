#include "ofSoundStream.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {
// Frames decoded per step: small enough to keep the engine mutex free, large
// enough that a fast-playing channel is kept fed.
constexpr int kChunkFrames = 4096;
// How often the decoder looks at the feeds when nobody wakes it.
constexpr auto kIdlePoll = std::chrono::milliseconds(10);
}

ofSoundStreamFeed::ofSoundStreamFeed(const std::string& path_, int channels_)
    : path(path_), channels(channels_), ring(static_cast<size_t>(kCapacity) * channels_, 0.0f) {}

void ofSoundStreamFeed::reposition(uint64_t frame, const float* head, uint64_t headFrames) {
    readCount = writeCount = 0;
    passStarts.clear();
    failed = false;
    ++epoch;
    nextFileFrame = frame;
    if (frame < headFrames) {
        uint64_t count = std::min<uint64_t>(headFrames - frame, kCapacity);
        std::memcpy(ring.data(), head + frame * channels, sizeof(float) * count * channels);
        writeCount = count;
        nextFileFrame = frame + count;
    }
}

ofSoundStreamDecoder::ofSoundStreamDecoder(std::mutex& engineMutex) : mutex(engineMutex) {}

ofSoundStreamDecoder::~ofSoundStreamDecoder() {
    stop();
}

void ofSoundStreamDecoder::start() {
    if (thread.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = false;
    }
    chunk.assign(static_cast<size_t>(kChunkFrames) * 2, 0.0f);
    thread = std::thread(&ofSoundStreamDecoder::run, this);
}

void ofSoundStreamDecoder::stop() {
    if (thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            quit = true;
        }
        wakeUp.notify_one();
        thread.join();
    }
    std::vector<std::shared_ptr<ofSoundStreamFeed>> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex);
        dropped.swap(feeds);
    }
}

void ofSoundStreamDecoder::add(std::shared_ptr<ofSoundStreamFeed> feed) {
    feeds.push_back(std::move(feed));
    wakeUp.notify_one();
}

bool ofSoundStreamDecoder::openReader(ofSoundStreamFeed& feed) {
    feed.readerFrame = 0;
    return feed.reader.open(feed.path) && feed.reader.channels() == feed.channels;
}

void ofSoundStreamDecoder::run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!quit) {
        // Closed feeds are let go here, outside the lock, so that closing
        // their files never happens on the audio thread or under the mutex.
        std::vector<std::shared_ptr<ofSoundStreamFeed>> dropped;
        auto firstClosed = std::stable_partition(feeds.begin(), feeds.end(),
            [](const std::shared_ptr<ofSoundStreamFeed>& f) { return !f->closed; });
        dropped.assign(std::make_move_iterator(firstClosed), std::make_move_iterator(feeds.end()));
        feeds.erase(firstClosed, feeds.end());
        if (!dropped.empty()) {
            lock.unlock();
            dropped.clear();
            lock.lock();
            continue;
        }

        bool worked = false;
        std::vector<std::shared_ptr<ofSoundStreamFeed>> current = feeds;
        for (const auto& feed : current) {
            if (quit) {
                break;
            }
            worked = fill(*feed, lock) || worked;
        }
        lock.unlock();
        current.clear();
        lock.lock();
        if (!worked && !quit) {
            wakeUp.wait_for(lock, kIdlePoll);
        }
    }
}

bool ofSoundStreamDecoder::fill(ofSoundStreamFeed& feed, std::unique_lock<std::mutex>& lock) {
    if (feed.closed || feed.failed ||
        ofSoundStreamFeed::kCapacity - feed.available() < static_cast<uint64_t>(kChunkFrames)) {
        return false;
    }
    const uint32_t epoch = feed.epoch;
    const uint64_t wanted = feed.nextFileFrame;

    lock.unlock();
    bool broken = false;
    if (!feed.reader.isOpen()) {
        broken = feed.readerTried || !openReader(feed);
        feed.readerTried = true;
    }
    if (!broken && feed.readerFrame != wanted) {
        if (feed.readerSeeks && feed.reader.seek(wanted)) {
            feed.readerFrame = wanted;
        } else if (feed.readerSeeks || feed.readerFrame > wanted) {
            // libsndfile refuses some seeks in FLAC files whose length is
            // open, and a refused seek leaves the reader lost. Such a file
            // is opened afresh and read forward to the frame wanted, then
            // and at every later reposition.
            feed.readerSeeks = false;
            broken = !openReader(feed);
        }
    }
    // Reading forward goes one chunk a step, so that other feeds, and a
    // reposition meanwhile, are not kept waiting.
    const bool skipping = !broken && feed.readerFrame < wanted;
    const int want = skipping ? static_cast<int>(std::min<uint64_t>(wanted - feed.readerFrame, kChunkFrames))
                              : kChunkFrames;
    int got = broken ? 0 : feed.reader.read(chunk.data(), want);
    feed.readerFrame += static_cast<uint64_t>(got);
    lock.lock();

    if (feed.epoch != epoch) {
        return true;   // repositioned meanwhile: this chunk is from the old place
    }
    if (broken || (got == 0 && (wanted == 0 || skipping))) {
        // An unreadable file, one that ends before the frame wanted or one
        // with no frames at all.
        feed.failed = true;
        return true;
    }
    if (skipping) {
        return true;
    }
    if (got == 0) {
        feed.passStarts.push_back(feed.writeCount);
        feed.nextFileFrame = 0;
        return true;
    }
    for (int i = 0; i < got; ++i) {
        std::memcpy(&feed.ring[((feed.writeCount + i) & (ofSoundStreamFeed::kCapacity - 1)) * feed.channels],
                    &chunk[static_cast<size_t>(i) * feed.channels], sizeof(float) * feed.channels);
    }
    feed.writeCount += static_cast<uint64_t>(got);
    feed.nextFileFrame += static_cast<uint64_t>(got);
    return true;
}
