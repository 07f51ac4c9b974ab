#include "GameManager.h"
#include "ofAppGlutWindow.h"
#include "ofAppRunner.h"

// Command-line arguments are ignored: the game reads no settings.
int main() {
    ofAppGlutWindow window;
    ofSetupOpenGL(&window, 800, 600, 0);
    // The runner owns the manager from here on; the exit handler deletes it.
    ofRunApp(new GameManager());
    return 0;
}
