#include "ofSoundEngine.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
// A stream keeps its first frames decoded, so that a play starts at once
// while the decoder opens the file for that channel; a stream no longer
// than this is kept whole and plays like a sample.
constexpr uint64_t kHeadFrames = 32768;
// Samples are decoded whole; beyond this (512 MiB of floats) we refuse.
constexpr uint64_t kMaxSampleFloats = uint64_t(1) << 27;
constexpr int kDecodeChunk = 4096;
// Where decoding starts when the header gives no length: it grows from here.
constexpr uint64_t kFirstRoomFrames = uint64_t(1) << 20;
constexpr size_t kHistoryFrames = 2 * ofSoundEngine::kMaxSpectrum;
constexpr float kMaxSpeedOverOutput = 8.0f;

// Sample data is malloc'd so that it can grow and shrink with realloc.
struct FreeFloats {
    void operator()(float* p) const { std::free(p); }
};

uint64_t nextSerial() {
    static std::atomic<uint64_t> counter{0};
    return ++counter;
}

// Pan law: linear balance. The side the pan moves away from fades linearly
// to silence while the other stays at full level, so the middle (0.5)
// plays a sound at its full level on both sides, and 0 or 1 put it on one
// side only.
void panGains(float pan, float volume, float* left, float* right) {
    *left = volume * std::min(1.0f, 2.0f * (1.0f - pan));
    *right = volume * std::min(1.0f, 2.0f * pan);
}
}

struct ofSoundEngine::Sound {
    uint64_t serial = 0;
    std::string path;
    int channels = 0;
    int rate = 0;
    bool streamed = false;        // data holds only the head of the file
    std::unique_ptr<float[], FreeFloats> data;   // interleaved frames
    uint64_t frames = 0;          // frames in data
    unsigned int length = 0;      // length reported, in frames
};

struct ofSoundEngine::Channel {
    uint64_t serial = 0;          // 0: idle
    Sound* sound = nullptr;
    std::shared_ptr<ofSoundStreamFeed> feed;
    // Samples: the frame position, fractional. Streams: how far between the
    // ring's current frame and the next, with streamFrame the file frame of
    // the current one.
    double position = 0.0;
    uint64_t streamFrame = 0;
    float frequency = 0.0f;
    float volume = 1.0f;
    float pan = 0.5f;
    bool paused = false;
    bool loop = false;
    bool started = false;         // sounding; set by the first update
};

ofSoundEngine::ofSoundEngine() = default;

ofSoundEngine::~ofSoundEngine() {
    close();
}

bool ofSoundEngine::init(int channelCount) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (running) {
            return false;
        }
        channels.assign(static_cast<size_t>(std::clamp(channelCount, 1, 4096)), Channel());
        history.assign(kHistoryFrames * 2, 0.0f);
        historyNext = 0;
        masterVolume = 1.0f;
    }
    if (!device.open(&ofSoundEngine::mixCallback, this)) {
        return false;
    }
    decoder.start();
    std::lock_guard<std::mutex> lock(mutex);
    rate = device.sampleRate();
    running = true;
    return true;
}

void ofSoundEngine::close() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        running = false;
    }
    // Neither may run under the mutex: both wait for threads that take it.
    device.close();
    decoder.stop();
    std::vector<std::unique_ptr<Sound>> freed;
    std::vector<Channel> ended;
    {
        std::lock_guard<std::mutex> lock(mutex);
        freed.swap(sounds);
        ended.swap(channels);
        rate = 0;
    }
}

bool ofSoundEngine::isRunning() const {
    std::lock_guard<std::mutex> lock(mutex);
    return running;
}

int ofSoundEngine::outputRate() const {
    std::lock_guard<std::mutex> lock(mutex);
    return rate;
}

void ofSoundEngine::update() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (Channel& channel : channels) {
            channel.started = channel.serial != 0;
        }
    }
    decoder.wake();
}

int ofSoundEngine::createSound(const std::string& path, bool stream, SoundHandle* handle) {
    if (!isRunning()) {
        return ERR_NOT_RUNNING;
    }
    ofSoundFile file;
    if (!file.open(path)) {
        return ERR_FILE;
    }
    auto sound = std::make_unique<Sound>();
    sound->path = path;
    sound->channels = file.channels();
    sound->rate = file.sampleRate();
    const uint64_t keepAtMost = stream ? kHeadFrames : kMaxSampleFloats / sound->channels;
    const uint64_t declared = file.declaredFrames();   // 0: not known
    // A sample that says it is too long is refused before any decoding; one
    // that says less, or nothing, is held to the limit while it decodes.
    if (!stream && declared > keepAtMost) {
        return ERR_TOO_LARGE;
    }
    const uint64_t room = std::min(declared > 0 ? declared : kFirstRoomFrames, keepAtMost);
    if (!decodeInto(*sound, file, room, keepAtMost)) {
        return ERR_FILE;
    }
    if (sound->streamed && !stream) {
        return ERR_TOO_LARGE;
    }
    if (sound->streamed) {
        // At least one frame more than the head, or it would not stream.
        const uint64_t known = declared > 0 ? std::max(declared, sound->frames + 1) : UINT32_MAX;
        sound->length = static_cast<unsigned int>(std::min<uint64_t>(known, UINT32_MAX));
    } else {
        sound->length = static_cast<unsigned int>(sound->frames);
    }
    file.close();

    std::lock_guard<std::mutex> lock(mutex);
    if (!running) {
        return ERR_NOT_RUNNING;
    }
    sound->serial = nextSerial();
    auto slot = std::find(sounds.begin(), sounds.end(), nullptr);
    if (slot == sounds.end()) {
        slot = sounds.insert(sounds.end(), nullptr);
    }
    *handle = SoundHandle{static_cast<int>(slot - sounds.begin()), sound->serial};
    *slot = std::move(sound);
    return OK;
}

// Decodes straight into the buffer that is kept, sized by the header's
// length when it gives one, so a long sample never exists twice. Pages of a
// large block cost nothing until written: a header that claims more than
// the file holds costs only what is decoded. Growing (for a file that says
// nothing or runs on) and the final trim go through realloc, which remaps a
// large block's pages instead of copying them. Reading one frame past
// `keepAtMost` tells whether the file goes on: then only the head is kept
// and the sound counts as streamed. False when nothing could be decoded.
bool ofSoundEngine::decodeInto(Sound& sound, ofSoundFile& file, uint64_t room, uint64_t keepAtMost) {
    const size_t frameBytes = sizeof(float) * static_cast<size_t>(sound.channels);
    room = std::max<uint64_t>(room, 1);
    sound.data.reset(static_cast<float*>(std::malloc(room * frameBytes)));
    uint64_t frames = 0;
    while (sound.data != nullptr) {
        if (frames == room) {
            if (room == keepAtMost) {
                float next[2];
                sound.streamed = file.read(next, 1) > 0;
                break;
            }
            room = std::min(2 * room, keepAtMost);
            float* grown = static_cast<float*>(std::realloc(sound.data.get(), room * frameBytes));
            if (grown == nullptr) {
                return false;
            }
            sound.data.release();
            sound.data.reset(grown);
        }
        const int want = static_cast<int>(std::min<uint64_t>(room - frames, kDecodeChunk));
        const int got = file.read(sound.data.get() + frames * sound.channels, want);
        if (got <= 0) {
            break;
        }
        frames += static_cast<uint64_t>(got);
    }
    if (frames == 0) {
        return false;
    }
    if (frames < room) {
        if (float* trimmed = static_cast<float*>(std::realloc(sound.data.get(), frames * frameBytes))) {
            sound.data.release();
            sound.data.reset(trimmed);
        }
    }
    sound.frames = frames;
    return true;
}

ofSoundEngine::Sound* ofSoundEngine::findSound(SoundHandle handle) {
    if (handle.serial == 0 || handle.index < 0 || static_cast<size_t>(handle.index) >= sounds.size()) {
        return nullptr;
    }
    Sound* sound = sounds[handle.index].get();
    return sound != nullptr && sound->serial == handle.serial ? sound : nullptr;
}

ofSoundEngine::Channel* ofSoundEngine::findChannel(ChannelHandle handle) {
    if (handle.serial == 0 || handle.index < 0 || static_cast<size_t>(handle.index) >= channels.size()) {
        return nullptr;
    }
    Channel& channel = channels[handle.index];
    return channel.serial == handle.serial ? &channel : nullptr;
}

bool ofSoundEngine::getLength(SoundHandle handle, unsigned int* frames) {
    std::lock_guard<std::mutex> lock(mutex);
    Sound* sound = findSound(handle);
    if (sound == nullptr) {
        return false;
    }
    *frames = sound->length;
    return true;
}

void ofSoundEngine::releaseSound(SoundHandle handle) {
    std::unique_ptr<Sound> freed;
    std::lock_guard<std::mutex> lock(mutex);
    Sound* sound = findSound(handle);
    if (sound == nullptr) {
        return;
    }
    for (Channel& channel : channels) {
        if (channel.serial != 0 && channel.sound == sound) {
            endChannel(channel);
        }
    }
    freed = std::move(sounds[handle.index]);
}

void ofSoundEngine::endChannel(Channel& channel) {
    if (channel.feed) {
        // The decoder holds the feed too and lets go of it on its own
        // thread, so no file is closed here (this may be the audio thread).
        channel.feed->closed = true;
        channel.feed.reset();
    }
    channel.serial = 0;
    channel.sound = nullptr;
    channel.started = false;
}

// With every channel busy, a new play takes over the channel of the oldest
// play that does not loop, so that short effects give way to each other and
// looping music keeps playing; only when every channel loops does the
// oldest looping one give way.
int ofSoundEngine::chooseChannelSlot() {
    int oldestOneShot = -1;
    int oldest = 0;
    for (size_t i = 0; i < channels.size(); ++i) {
        const Channel& c = channels[i];
        if (c.serial == 0) {
            return static_cast<int>(i);
        }
        if (!c.loop && (oldestOneShot < 0 || c.serial < channels[oldestOneShot].serial)) {
            oldestOneShot = static_cast<int>(i);
        }
        if (c.serial < channels[oldest].serial) {
            oldest = static_cast<int>(i);
        }
    }
    return oldestOneShot >= 0 ? oldestOneShot : oldest;
}

ofSoundEngine::ChannelHandle ofSoundEngine::playSound(SoundHandle handle, bool paused) {
    std::lock_guard<std::mutex> lock(mutex);
    Sound* sound = findSound(handle);
    if (sound == nullptr || !running) {
        return ChannelHandle();
    }
    const int slot = chooseChannelSlot();
    Channel& channel = channels[slot];
    if (channel.serial != 0) {
        endChannel(channel);
    }
    channel = Channel();
    channel.serial = nextSerial();
    channel.sound = sound;
    channel.frequency = static_cast<float>(sound->rate);
    channel.paused = paused;
    if (sound->streamed) {
        channel.feed = std::make_shared<ofSoundStreamFeed>(sound->path, sound->channels);
        channel.feed->reposition(0, sound->data.get(), sound->frames);
        decoder.add(channel.feed);
    }
    return ChannelHandle{slot, channel.serial};
}

void ofSoundEngine::stop(ChannelHandle handle) {
    std::lock_guard<std::mutex> lock(mutex);
    if (Channel* channel = findChannel(handle)) {
        endChannel(*channel);
    }
}

void ofSoundEngine::setPaused(ChannelHandle handle, bool paused) {
    std::lock_guard<std::mutex> lock(mutex);
    if (Channel* channel = findChannel(handle)) {
        channel->paused = paused;
    }
}

void ofSoundEngine::setVolume(ChannelHandle handle, float volume) {
    std::lock_guard<std::mutex> lock(mutex);
    Channel* channel = findChannel(handle);
    if (channel != nullptr && !std::isnan(volume)) {
        channel->volume = std::clamp(volume, 0.0f, 1.0f);
    }
}

void ofSoundEngine::setPan(ChannelHandle handle, float pan) {
    std::lock_guard<std::mutex> lock(mutex);
    Channel* channel = findChannel(handle);
    if (channel != nullptr && !std::isnan(pan)) {
        channel->pan = std::clamp(pan, 0.0f, 1.0f);
    }
}

void ofSoundEngine::setFrequency(ChannelHandle handle, float hz) {
    std::lock_guard<std::mutex> lock(mutex);
    Channel* channel = findChannel(handle);
    if (channel != nullptr && !std::isnan(hz)) {
        // Every file the reader takes can play at twice its speed, however
        // slow the output.
        const float maxHz = std::max(kMaxSpeedOverOutput * static_cast<float>(rate),
                                     2.0f * static_cast<float>(ofSoundFile::kMaxRate));
        channel->frequency = std::clamp(hz, 0.0f, maxHz);
    }
}

bool ofSoundEngine::getFrequency(ChannelHandle handle, float* hz) {
    std::lock_guard<std::mutex> lock(mutex);
    Channel* channel = findChannel(handle);
    if (channel == nullptr) {
        return false;
    }
    *hz = channel->frequency;
    return true;
}

void ofSoundEngine::setLoop(ChannelHandle handle, bool loop) {
    std::lock_guard<std::mutex> lock(mutex);
    if (Channel* channel = findChannel(handle)) {
        channel->loop = loop;
    }
}

void ofSoundEngine::setPosition(ChannelHandle handle, unsigned int frame) {
    std::lock_guard<std::mutex> lock(mutex);
    Channel* channel = findChannel(handle);
    if (channel == nullptr || frame >= channel->sound->length) {
        return;
    }
    if (channel->feed) {
        channel->feed->reposition(frame, channel->sound->data.get(), channel->sound->frames);
        channel->position = 0.0;
        channel->streamFrame = frame;
        decoder.wake();
    } else {
        channel->position = frame;
    }
}

bool ofSoundEngine::getPosition(ChannelHandle handle, unsigned int* frame) {
    std::lock_guard<std::mutex> lock(mutex);
    Channel* channel = findChannel(handle);
    if (channel == nullptr) {
        return false;
    }
    uint64_t at = channel->feed ? channel->streamFrame : static_cast<uint64_t>(channel->position);
    *frame = static_cast<unsigned int>(std::min<uint64_t>(at, UINT32_MAX));
    return true;
}

bool ofSoundEngine::isPlaying(ChannelHandle handle) {
    std::lock_guard<std::mutex> lock(mutex);
    return findChannel(handle) != nullptr;
}

void ofSoundEngine::setMasterVolume(float volume) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!std::isnan(volume)) {
        masterVolume = std::clamp(volume, 0.0f, 1.0f);
    }
}

void ofSoundEngine::stopAll() {
    std::lock_guard<std::mutex> lock(mutex);
    for (Channel& channel : channels) {
        if (channel.serial != 0) {
            endChannel(channel);
        }
    }
}

void ofSoundEngine::mixCallback(void* self, float* out, int frames) {
    static_cast<ofSoundEngine*>(self)->mix(out, frames);
}

void ofSoundEngine::mix(float* out, int frames) {
    std::memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
    std::lock_guard<std::mutex> lock(mutex);
    if (!running) {
        return;
    }
    for (Channel& channel : channels) {
        if (!channel.started || channel.paused || channel.frequency <= 0.0f) {
            continue;
        }
        if (channel.feed) {
            mixStreamChannel(channel, out, frames);
        } else {
            mixChannel(channel, out, frames);
        }
    }
    for (int i = 0; i < 2 * frames; ++i) {
        out[i] = std::clamp(out[i] * masterVolume, -1.0f, 1.0f);
    }
    rememberOutput(out, frames);
}

// Linear interpolation between neighbouring frames; after the last frame a
// looping channel reads the first, a one-shot holds the last.
void ofSoundEngine::mixChannel(Channel& channel, float* out, int frames) {
    const Sound& sound = *channel.sound;
    const float* data = sound.data.get();
    const double length = static_cast<double>(sound.frames);
    const uint64_t last = sound.frames - 1;
    const double step = static_cast<double>(channel.frequency) / rate;
    float left, right;
    panGains(channel.pan, channel.volume, &left, &right);
    double position = channel.position;
    for (int i = 0; i < frames; ++i) {
        const uint64_t i0 = static_cast<uint64_t>(position);
        const uint64_t i1 = i0 < last ? i0 + 1 : (channel.loop ? 0 : last);
        const float t = static_cast<float>(position - static_cast<double>(i0));
        if (sound.channels == 1) {
            const float v = data[i0] + (data[i1] - data[i0]) * t;
            out[2 * i] += v * left;
            out[2 * i + 1] += v * right;
        } else {
            const float* a = data + 2 * i0;
            const float* b = data + 2 * i1;
            out[2 * i] += (a[0] + (b[0] - a[0]) * t) * left;
            out[2 * i + 1] += (a[1] + (b[1] - a[1]) * t) * right;
        }
        position += step;
        if (position >= length) {
            if (!channel.loop) {
                endChannel(channel);
                return;
            }
            position = std::fmod(position, length);
        }
    }
    channel.position = position;
}

// Reads the feed's ring in order. When the decoder has fallen behind the
// channel falls silent and waits where it is; at the spot where the file
// starts again a looping channel carries on and a one-shot ends.
void ofSoundEngine::mixStreamChannel(Channel& channel, float* out, int frames) {
    ofSoundStreamFeed& feed = *channel.feed;
    const double step = static_cast<double>(channel.frequency) / rate;
    float left, right;
    panGains(channel.pan, channel.volume, &left, &right);
    for (int i = 0; i < frames; ++i) {
        if (feed.available() < 2) {
            if (feed.failed) {
                endChannel(channel);
            }
            return;
        }
        const float* a = feed.frameAt(feed.readCount);
        const float* b = feed.frameAt(feed.readCount + 1);
        const float t = static_cast<float>(channel.position);
        if (feed.channels == 1) {
            const float v = a[0] + (b[0] - a[0]) * t;
            out[2 * i] += v * left;
            out[2 * i + 1] += v * right;
        } else {
            out[2 * i] += (a[0] + (b[0] - a[0]) * t) * left;
            out[2 * i + 1] += (a[1] + (b[1] - a[1]) * t) * right;
        }
        channel.position += step;
        while (channel.position >= 1.0 && feed.available() > 0) {
            channel.position -= 1.0;
            ++feed.readCount;
            ++channel.streamFrame;
            if (!feed.passStarts.empty() && feed.passStarts.front() == feed.readCount) {
                feed.passStarts.pop_front();
                channel.streamFrame = 0;
                if (!channel.loop) {
                    endChannel(channel);
                    return;
                }
            }
        }
    }
}

void ofSoundEngine::rememberOutput(const float* out, int frames) {
    for (int i = 0; i < frames; ++i) {
        history[2 * historyNext] = out[2 * i];
        history[2 * historyNext + 1] = out[2 * i + 1];
        historyNext = (historyNext + 1) % kHistoryFrames;
    }
}

bool ofSoundEngine::getSpectrum(float* out, int count, int channelOffset) {
    if (count < 1 || count > kMaxSpectrum) {
        if (count > 0) {
            std::fill(out, out + std::min(count, kMaxSpectrum), 0.0f);
        }
        return false;
    }
    const int size = 2 * count;
    const int side = std::clamp(channelOffset, 0, 1);
    std::vector<float> samples(static_cast<size_t>(size), 0.0f);
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!history.empty()) {
            size_t at = (historyNext + kHistoryFrames - static_cast<size_t>(size)) % kHistoryFrames;
            for (int i = 0; i < size; ++i) {
                samples[i] = history[2 * at + side];
                at = (at + 1) % kHistoryFrames;
            }
        }
    }
    // Periodic Hann window; its sum is size / 2, which the scale undoes so a
    // full-scale sine reads 1 at its bin.
    const double twoPi = 6.283185307179586;
    for (int i = 0; i < size; ++i) {
        samples[i] *= static_cast<float>(0.5 - 0.5 * std::cos(twoPi * i / size));
    }
    std::vector<kiss_fft_cpx> bins(static_cast<size_t>(count) + 1);
    kiss_fftr_cfg fft = kiss_fftr_alloc(size, 0, nullptr, nullptr);
    if (fft == nullptr) {
        std::fill(out, out + count, 0.0f);
        return false;
    }
    kiss_fftr(fft, samples.data(), bins.data());
    kiss_fftr_free(fft);
    const float scale = 4.0f / static_cast<float>(size);
    for (int k = 0; k < count; ++k) {
        out[k] = std::hypot(bins[k].r, bins[k].i) * scale;
    }
    return true;
}
