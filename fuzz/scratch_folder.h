#pragma once

#include <string>

#include <stdlib.h>

// A fresh folder under /tmp for the files one fuzz target writes, made on first use; the path
// ends with '/'. `name` starts the folder's name.
inline const std::string& scratchFolder(const std::string& name) {
  static const std::string path = [&] {
    std::string p = "/tmp/" + name + "_XXXXXX";
    if (!mkdtemp(p.data())) abort();
    return p + "/";
  }();
  return path;
}
