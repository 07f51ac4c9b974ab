// The value records and the global events.
#include "ofEvents.h"
#include "ofTypes.h"

#include <gtest/gtest.h>

#include <Poco/Delegate.h>

#include <memory>
#include <string>

TEST(ValueTypes, DefaultsAreZeroCopiesIndependentDestructorVirtual) {
    const ofPoint p;
    const ofRectangle r;
    EXPECT_TRUE(p.x == 0 && p.y == 0 && p.z == 0);
    EXPECT_TRUE(r.x == 0 && r.y == 0 && r.width == 0 && r.height == 0);

    const ofRectangle source(1.5f, -2.0f, 30.0f, 40.25f);
    ofRectangle copy;
    copy = source;
    copy.width = 99.0f;
    EXPECT_TRUE(copy.x == 1.5f && copy.y == -2.0f && copy.height == 40.25f);
    EXPECT_EQ(source.width, 30.0f);
    const ofColor c(255, 128, 0, 64), d = c;
    EXPECT_TRUE(d.r == 255 && d.g == 128 && d.b == 0 && d.a == 64);

    static int destroyed = 0;
    struct Counted : ofPoint {
        ~Counted() override { ++destroyed; }
    };
    std::unique_ptr<ofPoint>(new Counted).reset();
    EXPECT_EQ(destroyed, 1);
}

namespace {
struct Recorder {
    std::string log;
    void first(const void*, ofMouseEventArgs& a) { log += "1:" + std::to_string(a.x) + "," + std::to_string(a.button) + " "; }
    void second(const void*, ofMouseEventArgs& a) { log += "2:" + std::to_string(a.y) + " "; }
};
}

TEST(GlobalEvents, ListenersRunInTheOrderAddedUntilRemoved) {
    // Without listeners a notification changes nothing.
    ofEventArgs none;
    ofMouseEventArgs args;
    ofAppEvents.update.notify(nullptr, none);
    ofAppEvents.mousePressed.notify(nullptr, args);
    EXPECT_TRUE(ofAppEvents.update.isEnabled());
    EXPECT_TRUE(ofAppEvents.update.empty());

    Recorder rec;
    ofAppEvents.mousePressed += Poco::delegate(&rec, &Recorder::first);
    ofAppEvents.mousePressed += Poco::delegate(&rec, &Recorder::second);
    args.x = 10;
    args.y = 20;
    args.button = 2;
    ofAppEvents.mousePressed.notify(nullptr, args);
    ofAppEvents.mousePressed -= Poco::delegate(&rec, &Recorder::first);
    ofAppEvents.mousePressed.notify(nullptr, args);
    ofAppEvents.mousePressed -= Poco::delegate(&rec, &Recorder::second);
    ofAppEvents.mousePressed.notify(nullptr, args);
    EXPECT_EQ(rec.log, "1:10,2 2:20 2:20 ");
    EXPECT_TRUE(ofAppEvents.mousePressed.empty());
}
