#pragma once
// Each step of the frame loop and each input report is announced as an
// event, so code other than the application can listen.
#include <Poco/FIFOEvent.h>

// Listeners are called in the order they were added.
template <class T>
class ofEvent : public Poco::FIFOEvent<T> {
public:
    virtual ~ofEvent() {}
};

class ofEventArgs {};

class ofKeyEventArgs {
public:
    int key = 0;
};

class ofMouseEventArgs {
public:
    int x = 0;
    int y = 0;
    int button = 0;
};

class ofResizeEventArgs {
public:
    int width = 0;
    int height = 0;
};

class ofAudioEventArgs {};

class ofAppEventSet {
public:
    ofEvent<ofEventArgs> setup;
    ofEvent<ofEventArgs> update;
    ofEvent<ofEventArgs> draw;
    ofEvent<ofEventArgs> exit;
    ofEvent<ofResizeEventArgs> windowResized;
    ofEvent<ofKeyEventArgs> keyPressed;
    ofEvent<ofKeyEventArgs> keyReleased;
    ofEvent<ofMouseEventArgs> mouseMoved;
    ofEvent<ofMouseEventArgs> mouseDragged;
    ofEvent<ofMouseEventArgs> mousePressed;
    ofEvent<ofMouseEventArgs> mouseReleased;
    ofEvent<ofAudioEventArgs> audioA;
    ofEvent<ofAudioEventArgs> audioB;
};

// Built before main and destroyed after the exit handler has run.
extern ofAppEventSet ofAppEvents;
