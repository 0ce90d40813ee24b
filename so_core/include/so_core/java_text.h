// Text between the ANSI code page (Windows-1252) of the OPOS side and Java strings.
#pragma once

#include <jni.h>

#include <string>
#include <string_view>

namespace orv::so {

// Java strings are made with NewStringUTF, which takes modified UTF-8: ANSI bytes above 0x7F
// are converted first, never passed raw. Null (with a pending exception) on failure.
jstring NewJavaStringFromAnsi(JNIEnv* env, std::string_view ansi);

// ANSI text of a Java string: characters Windows-1252 cannot hold become '?'. A null string
// gives "". limit caps the result in bytes (0: no cap). The caller checks for an exception.
std::string AnsiFromJavaString(JNIEnv* env, jstring text, size_t limit = 0);

// The UTF-8 form NewStringUTF receives for ANSI text.
std::string ModifiedUtf8FromAnsi(std::string_view ansi);

}  // namespace orv::so
