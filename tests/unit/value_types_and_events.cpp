// The value records and the global events.
#include "ofEvents.h"
#include "ofTypes.h"

#include <gtest/gtest.h>

#include <Poco/Delegate.h>

#include <memory>
#include <stdexcept>
#include <string>

TEST(ValueTypes, DefaultsAreZeroAndCopiesAreIndependent) {
    const ofPoint p;
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_EQ(p.z, 0.0f);
    const ofRectangle r;
    EXPECT_EQ(r.x, 0.0f);
    EXPECT_EQ(r.y, 0.0f);
    EXPECT_EQ(r.width, 0.0f);
    EXPECT_EQ(r.height, 0.0f);

    const ofRectangle source(1.5f, -2.0f, 30.0f, 40.25f);
    ofRectangle copy;
    copy = source;
    copy.width = 99.0f;
    EXPECT_EQ(copy.x, 1.5f);
    EXPECT_EQ(copy.y, -2.0f);
    EXPECT_EQ(copy.height, 40.25f);
    EXPECT_EQ(source.width, 30.0f);

    ofPoint q(1, 2, 3);
    ofPoint moved = q;
    moved.z = 7;
    EXPECT_EQ(q.z, 3.0f);
    EXPECT_EQ(moved.x, 1.0f);
    EXPECT_EQ(ofPoint(4, 5).z, 0.0f);

    const ofColor c(255, 128, 0, 64);
    const ofColor d = c;
    EXPECT_EQ(d.r, 255.0f);
    EXPECT_EQ(d.g, 128.0f);
    EXPECT_EQ(d.b, 0.0f);
    EXPECT_EQ(d.a, 64.0f);
}

namespace {
int destroyed = 0;
struct CountedPoint : ofPoint {
    ~CountedPoint() override { ++destroyed; }
};
}

TEST(ValueTypes, DestructorIsVirtual) {
    destroyed = 0;
    std::unique_ptr<ofPoint> p(new CountedPoint);
    p.reset();
    EXPECT_EQ(destroyed, 1);
}

namespace {
struct Recorder {
    std::string log;
    void first(const void*, ofMouseEventArgs& a) { log += "1:" + std::to_string(a.x) + "," + std::to_string(a.button) + " "; }
    void second(const void*, ofMouseEventArgs& a) { log += "2:" + std::to_string(a.y) + " "; }
    void keys(const void*, ofKeyEventArgs& a) { log += "k" + std::to_string(a.key) + " "; }
    void plain(const void*, ofEventArgs&) { log += "u "; }
};
}

TEST(GlobalEvents, NotifyingWithoutListenersIsHarmless) {
    ofEventArgs none;
    ofMouseEventArgs mouse;
    ofKeyEventArgs key;
    ofResizeEventArgs size;
    ofAudioEventArgs audio;
    ofAppEvents.setup.notify(nullptr, none);
    ofAppEvents.update.notify(nullptr, none);
    ofAppEvents.draw.notify(nullptr, none);
    ofAppEvents.exit.notify(nullptr, none);
    ofAppEvents.windowResized.notify(nullptr, size);
    ofAppEvents.keyPressed.notify(nullptr, key);
    ofAppEvents.keyReleased.notify(nullptr, key);
    ofAppEvents.mouseMoved.notify(nullptr, mouse);
    ofAppEvents.mouseDragged.notify(nullptr, mouse);
    ofAppEvents.mousePressed.notify(nullptr, mouse);
    ofAppEvents.mouseReleased.notify(nullptr, mouse);
    ofAppEvents.audioA.notify(nullptr, audio);
    ofAppEvents.audioB.notify(nullptr, audio);
    EXPECT_TRUE(ofAppEvents.update.isEnabled());
    EXPECT_TRUE(ofAppEvents.update.empty());
    EXPECT_EQ(mouse.x, 0);
    EXPECT_EQ(mouse.button, 0);
}

TEST(GlobalEvents, ListenersRunInTheOrderAddedUntilRemoved) {
    Recorder rec;
    ofAppEvents.mousePressed += Poco::delegate(&rec, &Recorder::first);
    ofAppEvents.mousePressed += Poco::delegate(&rec, &Recorder::second);
    ofAppEvents.keyPressed += Poco::delegate(&rec, &Recorder::keys);
    ofMouseEventArgs args;
    args.x = 10;
    args.y = 20;
    args.button = 2;
    ofAppEvents.mousePressed.notify(nullptr, args);
    ofKeyEventArgs key;
    key.key = 0x100 | 101;
    ofAppEvents.keyPressed.notify(nullptr, key);
    ofAppEvents.mousePressed -= Poco::delegate(&rec, &Recorder::first);
    ofAppEvents.mousePressed.notify(nullptr, args);
    ofAppEvents.mousePressed -= Poco::delegate(&rec, &Recorder::second);
    ofAppEvents.keyPressed -= Poco::delegate(&rec, &Recorder::keys);
    ofAppEvents.mousePressed.notify(nullptr, args);
    EXPECT_EQ(rec.log, "1:10,2 2:20 k357 2:20 ");
    EXPECT_TRUE(ofAppEvents.mousePressed.empty());
}

TEST(GlobalEvents, DisabledEventCallsNoOneAndListenerExceptionsReachTheNotifier) {
    Recorder rec;
    ofEvent<ofEventArgs> ev;
    ev += Poco::delegate(&rec, &Recorder::plain);
    ofEventArgs none;
    ev.disable();
    ev.notify(nullptr, none);
    ev.enable();
    ev.notify(nullptr, none);
    EXPECT_EQ(rec.log, "u ");

    struct Thrower {
        void fire(const void*, ofEventArgs&) { throw std::runtime_error("from listener"); }
    } thrower;
    ofEvent<ofEventArgs> failing;
    failing += Poco::delegate(&thrower, &Thrower::fire);
    EXPECT_THROW(failing.notify(nullptr, none), std::runtime_error);
}
