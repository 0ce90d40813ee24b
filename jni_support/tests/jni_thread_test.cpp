// The env of a calling thread: the library's own threads keep theirs, and an application thread
// the library attached may be detached by the application, after which a release there must
// attach it again rather than use an env that is gone.
#include <gtest/gtest.h>

#include <thread>

#include "jni_support/jni_refs.h"
#include "jni_support/jni_thread.h"
#include "jvm_harness.h"

namespace {

using namespace orv::jni;

JavaVM* TheVm() {
    JNIEnv* env = test::Jvm("", "");
    if (env == nullptr) return nullptr;
    JavaVM* vm = nullptr;
    env->GetJavaVM(&vm);
    return vm;
}

bool AttachedToVm(JavaVM* vm) {
    void* env = nullptr;
    return vm->GetEnv(&env, JNI_VERSION_1_4) == JNI_OK;
}

TEST(JniThread, ApplicationThreadDetachedByTheApplicationIsAttachedAgainForARelease) {
    JavaVM* vm = TheVm();
    ASSERT_NE(vm, nullptr);
    JNIEnv* main = nullptr;
    ASSERT_EQ(vm->GetEnv(reinterpret_cast<void**>(&main), JNI_VERSION_1_4), JNI_OK);
    jobject first = main->NewGlobalRef(main->FindClass("java/lang/Object"));
    jobject second = main->NewGlobalRef(main->FindClass("java/lang/String"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    bool attachedForFirst = false, attachedForSecond = false, sameEnvAfter = false;
    std::thread application([&] {
        { GlobalRef release(vm, first, "orv-test-release"); }  // attaches this thread
        attachedForFirst = AttachedToVm(vm);
        vm->DetachCurrentThread();  // the application's own doing
        { GlobalRef release(vm, second, "orv-test-release"); }
        attachedForSecond = AttachedToVm(vm);
        void* now = nullptr;
        vm->GetEnv(&now, JNI_VERSION_1_4);
        sameEnvAfter = EnvForCurrentThread(vm, "orv-test-release") == now;
    });
    application.join();
    EXPECT_TRUE(attachedForFirst);
    EXPECT_TRUE(attachedForSecond) << "the release used the env of a detached thread";
    EXPECT_TRUE(sameEnvAfter);
}

// A thread of the library's own keeps one env from call to call, and is known as attached here.
TEST(JniThread, OwnThreadKeepsItsEnvAndIsKnownAsAttachedHere) {
    JavaVM* vm = TheVm();
    ASSERT_NE(vm, nullptr);
    bool before = true, after = false, same = false, valid = false;
    std::thread own([&] {
        before = AttachedHere(vm);
        JNIEnv* a = EnvForCurrentThread(vm, "orv-test-own");
        JNIEnv* b = EnvForCurrentThread(vm, "orv-test-own");
        after = AttachedHere(vm);
        same = a != nullptr && a == b;
        valid = AttachedToVm(vm);
    });
    own.join();
    EXPECT_FALSE(before);
    EXPECT_TRUE(after);
    EXPECT_TRUE(same);
    EXPECT_TRUE(valid);
}

}  // namespace
