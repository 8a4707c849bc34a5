#include "platform/GLExtensions.h"

#include <EGL/egl.h>

#include <cstring>
#include <string_view>

namespace mw {

namespace gl {

namespace {

bool g_framebufferObjectsLoaded = false;

void* eglLoader(const char* name)
{
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

template <typename Fn>
void fetch(ProcLoader loader, Fn& slot, const char* name)
{
    slot = reinterpret_cast<Fn>(loader(name));
}

} // namespace

bool loadExtensions(ProcLoader loader)
{
    if (!loader) loader = eglLoader;

    fetch(loader, IsRenderbufferOES, "glIsRenderbufferOES");
    fetch(loader, BindRenderbufferOES, "glBindRenderbufferOES");
    fetch(loader, DeleteRenderbuffersOES, "glDeleteRenderbuffersOES");
    fetch(loader, GenRenderbuffersOES, "glGenRenderbuffersOES");
    fetch(loader, RenderbufferStorageOES, "glRenderbufferStorageOES");
    fetch(loader, GetRenderbufferParameterivOES, "glGetRenderbufferParameterivOES");
    fetch(loader, IsFramebufferOES, "glIsFramebufferOES");
    fetch(loader, BindFramebufferOES, "glBindFramebufferOES");
    fetch(loader, DeleteFramebuffersOES, "glDeleteFramebuffersOES");
    fetch(loader, GenFramebuffersOES, "glGenFramebuffersOES");
    fetch(loader, CheckFramebufferStatusOES, "glCheckFramebufferStatusOES");
    fetch(loader, FramebufferRenderbufferOES, "glFramebufferRenderbufferOES");
    fetch(loader, FramebufferTexture2DOES, "glFramebufferTexture2DOES");
    fetch(loader, GetFramebufferAttachmentParameterivOES, "glGetFramebufferAttachmentParameterivOES");
    fetch(loader, GenerateMipmapOES, "glGenerateMipmapOES");

    fetch(loader, DrawTexsOES, "glDrawTexsOES");
    fetch(loader, DrawTexiOES, "glDrawTexiOES");
    fetch(loader, DrawTexfOES, "glDrawTexfOES");
    fetch(loader, DrawTexsvOES, "glDrawTexsvOES");
    fetch(loader, DrawTexivOES, "glDrawTexivOES");
    fetch(loader, DrawTexfvOES, "glDrawTexfvOES");

    fetch(loader, MapBufferOES, "glMapBufferOES");
    fetch(loader, UnmapBufferOES, "glUnmapBufferOES");
    fetch(loader, GetBufferPointervOES, "glGetBufferPointervOES");

    fetch(loader, DiscardFramebufferEXT, "glDiscardFramebufferEXT");

    // eglGetProcAddress may hand out dispatch stubs for names the driver does
    // not implement, so the extension string decides, not the pointers alone.
    g_framebufferObjectsLoaded = glHasExtension("GL_OES_framebuffer_object") && GenFramebuffersOES &&
        BindFramebufferOES && DeleteFramebuffersOES && GenRenderbuffersOES && BindRenderbufferOES &&
        DeleteRenderbuffersOES && RenderbufferStorageOES && FramebufferRenderbufferOES &&
        FramebufferTexture2DOES && CheckFramebufferStatusOES && GetRenderbufferParameterivOES;
    return g_framebufferObjectsLoaded;
}

bool framebufferObjectsLoaded()
{
    return g_framebufferObjectsLoaded;
}

} // namespace gl

bool glHasExtension(const char* name)
{
    if (!name || !*name) return false;
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!all) return false;
    const std::string_view list(all);
    const std::string_view wanted(name);
    size_t pos = 0;
    while ((pos = list.find(wanted, pos)) != std::string_view::npos) {
        const bool startsWord = pos == 0 || list[pos - 1] == ' ';
        const size_t end = pos + wanted.size();
        const bool endsWord = end == list.size() || list[end] == ' ';
        if (startsWord && endsWord) return true;
        pos = end;
    }
    return false;
}

} // namespace mw
