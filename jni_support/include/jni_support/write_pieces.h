// The Write natives' common frame: how much of the Java array may be sent, and the loop that
// hands it to the library's own write in pieces of a fixed size.
#pragma once

#include <jni.h>

#include <algorithm>

namespace orv::jni {

// The bytes a Write native takes from `data`: `length`, but never past the array's end (the
// caller's length is not trusted); 0 for a null array or a length below 1.
inline jint WritableLength(JNIEnv* env, jbyteArray data, jint length) {
    if (data == nullptr || length <= 0) return 0;
    return std::min(length, env->GetArrayLength(data));
}

// Sends `length` bytes in pieces of at most `pieceSize`, in order, each through
// send(offset, size), which answers whether it took the piece; the first refused piece ends the
// write. The number of bytes taken.
template <class Send>
jint SendInPieces(jint length, jint pieceSize, Send&& send) {
    if (pieceSize <= 0) return 0;
    jint sent = 0;
    while (sent < length) {
        // Counted up to the length, never past it: no overflow near the largest array.
        const jint piece = std::min(pieceSize, length - sent);
        if (!send(sent, piece)) break;
        sent += piece;
    }
    return sent;
}

}  // namespace orv::jni
