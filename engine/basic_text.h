#pragma once
// The text helpers now live in base/basic_text.h. This forwarding header stays only for
// environment/host_posix.cpp until the host layer moves to host/ and includes base/ directly.

#include "base/basic_text.h"
