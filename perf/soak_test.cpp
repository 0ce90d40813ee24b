// The soak run's readings and its flat-or-growing rule; the JNI reading against a real JVM.
#include <gtest/gtest.h>
#include <jni.h>

#include <vector>

#include "soak_metrics.h"

namespace orv::soak {
namespace {

TEST(SoakReadings, FieldsOfProcStatusAndThreadDump) {
    const char* kStatus =
        "Name:\tsoak\nVmPeak:\t  900000 kB\nVmRSS:\t  183452 kB\nRssAnon:\t 1 kB\nThreads:\t37\n";
    EXPECT_EQ(StatusField(kStatus, "VmRSS"), 183452);
    EXPECT_EQ(StatusField(kStatus, "Threads"), 37);
    EXPECT_EQ(StatusField(kStatus, "Rss"), std::nullopt);  // a prefix of another name
    EXPECT_EQ(StatusField(kStatus, "VmSwap"), std::nullopt);
    EXPECT_EQ(StatusField("Threads:\tmany\n", "Threads"), std::nullopt);
    EXPECT_EQ(StatusField("Threads:\t99999999999999999999999\n", "Threads"), std::nullopt);

    EXPECT_EQ(JniGlobalRefsIn("\"main\" #1 prio=5\n\nJNI global refs: 412, weak refs: 3\n"), 412);
    EXPECT_EQ(JniGlobalRefsIn("JNI global refs: \n"), std::nullopt);
    EXPECT_EQ(JniGlobalRefsIn(""), std::nullopt);
}

Sample Of(int64_t rssKb, int64_t fds, int64_t threads, int64_t jni, int64_t heapKb = 1) {
    return {rssKb, fds, threads, jni, heapKb};
}

struct JudgeCase {
    const char* name;
    std::vector<Sample> samples;
    Metric metric;
    bool judged;
    bool flat;
    size_t worstAt;
};

TEST(SoakVerdict, FlatAgainstTheBaselineAfterWarmUp) {
    const JudgeCase kCases[] = {
        {"two samples are not enough",
         {Of(1, 10, 20, 30), Of(1, 10, 20, 30)},
         Metric::Fds,
         false,
         true,
         0},
        {"steady descriptors",
         {Of(1, 12, 20, 30), Of(1, 10, 20, 30), Of(1, 10, 20, 30), Of(1, 11, 20, 30)},
         Metric::Fds,
         true,
         true,
         3},
        {"warm-up may be higher or lower",
         {Of(1, 90, 20, 30), Of(1, 10, 20, 30), Of(1, 14, 20, 30)},
         Metric::Fds,
         true,
         true,
         2},
        {"one descriptor per loop",
         {Of(1, 10, 20, 30), Of(1, 50, 20, 30), Of(1, 90, 20, 30), Of(1, 130, 20, 30)},
         Metric::Fds,
         true,
         false,
         3},
        {"a thread kept once",
         {Of(1, 10, 20, 30), Of(1, 10, 20, 30), Of(1, 10, 25, 30), Of(1, 10, 21, 30)},
         Metric::Threads,
         true,
         false,
         2},
        {"memory within 16 MiB",
         {Of(300000, 1, 1, 1), Of(400000, 1, 1, 1), Of(416384, 1, 1, 1)},
         Metric::Rss,
         true,
         true,
         2},
        {"memory beyond 16 MiB",
         {Of(300000, 1, 1, 1), Of(400000, 1, 1, 1), Of(416385, 1, 1, 1)},
         Metric::Rss,
         true,
         false,
         2},
        {"memory falling after the baseline",
         {Of(1000, 1, 1, 1), Of(9000, 1, 1, 1), Of(7000, 1, 1, 1)},
         Metric::Rss,
         true,
         true,
         1},
        {"JNI references growing",
         {Of(1, 1, 1, 200), Of(1, 1, 1, 300), Of(1, 1, 1, 317), Of(1, 1, 1, 330)},
         Metric::JniGlobals,
         true,
         false,
         3},
        {"a missing figure is not judged",
         {Of(1, 1, 1, 200), Of(1, 1, 1, 200), Of(1, 1, 1, -1)},
         Metric::JniGlobals,
         false,
         true,
         0},
        {"live heap within 2 MiB",
         {Of(1, 1, 1, 1, 9000), Of(1, 1, 1, 1, 3000), Of(1, 1, 1, 1, 5048)},
         Metric::HeapLive,
         true,
         true,
         2},
        {"live heap growing",
         {Of(1, 1, 1, 1, 3000), Of(1, 1, 1, 1, 3000), Of(1, 1, 1, 1, 4000), Of(1, 1, 1, 1, 5049)},
         Metric::HeapLive,
         true,
         false,
         3},
        {"no baseline figure",
         {Of(1, 1, 1, 200), Of(1, 1, 1, -1), Of(1, 1, 1, 200)},
         Metric::JniGlobals,
         false,
         true,
         0},
    };
    for (const JudgeCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Judgement j = Judge(c.samples, c.metric);
        EXPECT_EQ(j.judged, c.judged);
        if (!c.judged) continue;
        EXPECT_EQ(j.flat, c.flat);
        EXPECT_EQ(j.worstAt, c.worstAt);
        EXPECT_EQ(j.baseline, ValueOf(c.samples[1], c.metric));
    }
}

// The figures come from this very process: a JVM in it, global references made and dropped.
TEST(SoakReadings, SampleOfThisProcessFollowsItsJniReferences) {
    EXPECT_EQ(ReadSample().jniGlobals, -1);  // no JVM yet
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_8;
    args.ignoreUnrecognized = JNI_FALSE;
    ASSERT_EQ(JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&env), &args), JNI_OK);

    ReadSample();  // the management beans start on the first reading
    const Sample before = ReadSample();
    EXPECT_GT(before.rssKb, 0);
    EXPECT_GT(before.fds, 2);
    EXPECT_GT(before.threads, 1);
    ASSERT_GT(before.jniGlobals, 0);
    std::vector<jobject> refs;
    jstring text = env->NewStringUTF("held");
    for (int i = 0; i < 100; ++i) refs.push_back(env->NewGlobalRef(text));
    EXPECT_EQ(ReadSample().jniGlobals, before.jniGlobals + 100);
    for (jobject r : refs) env->DeleteGlobalRef(r);
    env->DeleteLocalRef(text);
    EXPECT_EQ(ReadSample().jniGlobals, before.jniGlobals);

    // 32 MiB held by a global reference is live heap; dropped, it is collected.
    ASSERT_GT(before.heapLiveKb, 0);
    jbyteArray block = env->NewByteArray(32 << 20);
    ASSERT_NE(block, nullptr);
    jobject held = env->NewGlobalRef(block);
    env->DeleteLocalRef(block);
    EXPECT_GE(LiveHeapKb(), before.heapLiveKb + (32 << 10));
    env->DeleteGlobalRef(held);
    EXPECT_LT(LiveHeapKb(), before.heapLiveKb + (8 << 10));
}

}  // namespace
}  // namespace orv::soak
