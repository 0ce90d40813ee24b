// Owners for JNI references, shared with the suite's other native libraries: a local reference
// (DeleteLocalRef) and a local frame (Push/PopLocalFrame). Operations on the creating thread
// run with no Java frame to return to, so each runs inside its own frame.
#pragma once

#include "jni_support/jni_refs.h"

namespace orv::so {

using orv::jni::LocalFrame;
using orv::jni::LocalRef;

}  // namespace orv::so
