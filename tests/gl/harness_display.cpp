// Proves the display side of the harness: a real GLUT window on the test X
// server, drawn into and read back before the swap.
#include "GlContext.h"
#include "ofGLHeaders.h"

#include <gtest/gtest.h>

TEST(HarnessDisplay, ClearColourReadsBackFromTheBackBuffer) {
    glcontext::ensure(64, 48);
    glViewport(0, 0, 64, 48);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glReadBuffer(GL_BACK);
    unsigned char px[4] = {0, 0, 0, 0};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[1], 0);
    EXPECT_EQ(px[2], 0);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    ASSERT_NE(renderer, nullptr);
    RecordProperty("renderer", renderer);
}
