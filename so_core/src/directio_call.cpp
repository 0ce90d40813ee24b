// OposJNI::DirectIO: a DirectIO plan turned into Java objects and one call of the Java
// control's directIO(int, int[], Object).
#include <array>

#include "platform/com_ptr.h"
#include "so_core/directio_plan.h"
#include "so_core/opos_jni.h"

namespace orv::so {
namespace {

// Builds the Java objects of a plan. Every helper writes its fixed message on failure, then the
// text of any pending exception; a failed build ends the command with 111.
class DioBuilder {
public:
    DioBuilder(OposJNI& bridge, JNIEnv* env) : bridge_(bridge), env_(env) {}

    jobject NewInteger(int32_t value) {
        return Construct("java/lang/Integer", "(I)V", "Failed to get class Integer for DirectIO",
                         "Failed to get integer Method ID for DirectIO",
                         [&](jclass c, jmethodID m) { return env_->NewObject(c, m, static_cast<jint>(value)); });
    }
    jobject NewPoint(const DioPoint& p) {
        return Construct("java/awt/Point", "(II)V", "Failed to get class POINT for DirectIO",
                         "Failed to get Point Method ID for DirectIO", [&](jclass c, jmethodID m) {
                             return env_->NewObject(c, m, static_cast<jint>(p.x), static_cast<jint>(p.y));
                         });
    }
    jobject NewByte(int8_t value) {
        return Construct("java/lang/Byte", "(B)V", "Failed to get class Byte for DirectIO",
                         "Failed to get Byte Method ID for DirectIO",
                         [&](jclass c, jmethodID m) { return env_->NewObject(c, m, static_cast<jbyte>(value)); });
    }
    jobject NewText(const std::string& ansi) {
        // NewString from the UTF-16 form of the ANSI text.
        const std::u16string wide = Utf16FromAnsi(ansi);
        jstring s = env_->NewString(reinterpret_cast<const jchar*>(wide.data()),
                                    static_cast<jsize>(wide.size()));
        if (bridge_.LogPendingException()) return nullptr;
        return s;
    }
    jobject NewBytes(const DioBytes& bytes) {
        LocalRef<jclass> byteClass(env_, env_->FindClass("java/lang/Byte"));
        if (!byteClass) {
            bridge_.LogPendingException();
            return nullptr;
        }
        LocalRef<jobjectArray> array(
            env_, env_->NewObjectArray(static_cast<jsize>(bytes.arrayLength), byteClass.Get(), nullptr));
        if (!array) {
            bridge_.LogPendingException();
            return nullptr;
        }
        jsize index = 0;
        for (int8_t value : bytes.values) {
            LocalRef<jobject> element(env_, NewByte(value));
            if (!element) return nullptr;
            env_->SetObjectArrayElement(array.Get(), index++, element.Get());
            if (bridge_.LogPendingException()) return nullptr;  // e.g. more groups than elements
        }
        jobject out = env_->NewLocalRef(array.Get());
        return out;
    }
    jobject NewValue(const DioValue& v) {
        return std::visit(
            [&](const auto& x) -> jobject {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, DioInteger>) return NewInteger(x.value);
                else if constexpr (std::is_same_v<T, std::string>) return NewText(x);
                else if constexpr (std::is_same_v<T, DioPoint>) return NewPoint(x);
                else return NewBytes(x);
            },
            v);
    }
    jobject NewList(const std::vector<DioValue>& values) {
        static const char* const kAddFailed[] = {" Error Adding Object One to link list ",
                                                 " Error Adding Object Two to link list ",
                                                 "Error Adding Object Three to link list "};
        LocalRef<jclass> listClass(env_, env_->FindClass("java/util/LinkedList"));
        if (!listClass) {
            bridge_.LogLine("Failed to get class Link List for DirectIO");
            bridge_.LogPendingException();
            return nullptr;
        }
        const jmethodID init = env_->GetMethodID(listClass.Get(), "<init>", "()V");
        const jmethodID add = init ? env_->GetMethodID(listClass.Get(), "add", "(Ljava/lang/Object;)Z") : nullptr;
        LocalRef<jobject> list(env_, init && add ? env_->NewObject(listClass.Get(), init) : nullptr);
        if (!list) {
            bridge_.LogLine("Failed to call link list contructor");
            bridge_.LogPendingException();
            return nullptr;
        }
        size_t i = 0;
        for (const DioValue& v : values) {
            LocalRef<jobject> element(env_, NewValue(v));
            if (!element) return nullptr;
            const jboolean added = env_->CallBooleanMethod(list.Get(), add, element.Get());
            if (bridge_.LogPendingException()) return nullptr;
            if (!added) {
                bridge_.LogLine(kAddFailed[i < 3 ? i : 2]);
                return nullptr;
            }
            ++i;
        }
        return env_->NewLocalRef(list.Get());
    }

private:
    template <class Make>
    jobject Construct(const char* className, const char* signature, const char* noClass,
                      const char* noConstructor, Make&& make) {
        LocalRef<jclass> cls(env_, env_->FindClass(className));
        if (!cls) {
            bridge_.LogLine(noClass);
            bridge_.LogPendingException();
            return nullptr;
        }
        const jmethodID init = env_->GetMethodID(cls.Get(), "<init>", signature);
        if (!init) {
            bridge_.LogLine(noConstructor);
            bridge_.LogPendingException();
            return nullptr;
        }
        jobject object = make(cls.Get(), init);
        if (bridge_.LogPendingException()) {
            if (object) env_->DeleteLocalRef(object);
            return nullptr;
        }
        return object;
    }

    OposJNI& bridge_;
    JNIEnv* env_;
};

}  // namespace

jobject OposJNI::NewByteObjects(JNIEnv* env, const DioBytes& bytes) {
    return DioBuilder(*this, env).NewBytes(bytes);
}

int32_t OposJNI::DirectIO(int32_t command, int32_t* pData, BSTR* pString) {
    const int32_t data = pData ? *pData : 0;
    const std::string text = pString ? AnsiFromBstr(*pString) : std::string();
    std::optional<DioPlan> plan = PlanDirectIO(command, data, text);
    if (!plan) return OPOS_E_FAILURE;  // unsupported: nothing called, nothing logged
    if (plan->writeBackData && pData) *pData = *plan->writeBackData;

    JNIEnv* env = Env();
    if (!env) {
        LogLine("Failed to get Method ID for DirectIO ");
        return OPOS_E_FAILURE;
    }
    LocalFrame frame(env, kFrameCapacity);
    DioBuilder build(*this, env);
    LocalRef<jobject> object;
    if (plan->asList) {
        object = LocalRef<jobject>(env, build.NewList(plan->values));
        if (!object) {
            PendingJavaError = 0;
            return OPOS_E_FAILURE;
        }
    } else if (!plan->values.empty()) {
        object = LocalRef<jobject>(env, build.NewValue(plan->values.front()));
        if (!object) {
            PendingJavaError = 0;
            return OPOS_E_FAILURE;
        }
    }

    const jmethodID directIO = env->GetMethodID(ControlClass(), "directIO", "(I[ILjava/lang/Object;)V");
    if (!directIO) {
        LogLine("Failed to get Method ID for DirectIO ");
        LogPendingException();
        PendingJavaError = 0;
        return OPOS_E_FAILURE;
    }
    // The data value travels as element 0 of a one-element int array.
    LocalRef<jintArray> dataArray(env, env->NewIntArray(1));
    if (!dataArray) {
        LogPendingException();
        PendingJavaError = 0;
        return OPOS_E_FAILURE;
    }
    const jint element = plan->dataValue;
    env->SetIntArrayRegion(dataArray.Get(), 0, 1, &element);
    env->CallVoidMethod(Control(), directIO, static_cast<jint>(plan->javaCode), dataArray.Get(),
                        object.Get());
    const bool failed = LogPendingException();
    PendingJavaError = 0;
    return failed ? OPOS_E_FAILURE : OPOS_SUCCESS;
}

}  // namespace orv::so
