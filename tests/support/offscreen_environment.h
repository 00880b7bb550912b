#pragma once

namespace torvanel::test {

// Prepares the process's environment, before its application object exists, for tests that draw
// or show widgets without a display: Qt's offscreen platform, and a private runtime folder where
// the environment has none (CI's has none, and Qt wants one).
void prepareOffscreenEnvironment();

}  // namespace torvanel::test
