#pragma once

// OpenGL ES 1.1 extension entry points.
//
// libGLESv1_CM exports only the core ES 1.1 functions (plus
// glPointSizePointerOES); the framebuffer-object, draw-texture and map-buffer
// functions live in the driver and must be fetched through the context's
// procedure loader. Call mw::gl::loadExtensions() once after the first context
// has been made current; the pointers stay valid for every later context of
// the same driver. A pointer is null when the driver lacks the function, so
// callers check glHasExtension() (or the pointer) before using it.

#include <GLES/gl.h>
#include <GLES/glext.h>

namespace mw {

namespace gl {

// GL_OES_framebuffer_object
inline PFNGLISRENDERBUFFEROESPROC IsRenderbufferOES = nullptr;
inline PFNGLBINDRENDERBUFFEROESPROC BindRenderbufferOES = nullptr;
inline PFNGLDELETERENDERBUFFERSOESPROC DeleteRenderbuffersOES = nullptr;
inline PFNGLGENRENDERBUFFERSOESPROC GenRenderbuffersOES = nullptr;
inline PFNGLRENDERBUFFERSTORAGEOESPROC RenderbufferStorageOES = nullptr;
inline PFNGLGETRENDERBUFFERPARAMETERIVOESPROC GetRenderbufferParameterivOES = nullptr;
inline PFNGLISFRAMEBUFFEROESPROC IsFramebufferOES = nullptr;
inline PFNGLBINDFRAMEBUFFEROESPROC BindFramebufferOES = nullptr;
inline PFNGLDELETEFRAMEBUFFERSOESPROC DeleteFramebuffersOES = nullptr;
inline PFNGLGENFRAMEBUFFERSOESPROC GenFramebuffersOES = nullptr;
inline PFNGLCHECKFRAMEBUFFERSTATUSOESPROC CheckFramebufferStatusOES = nullptr;
inline PFNGLFRAMEBUFFERRENDERBUFFEROESPROC FramebufferRenderbufferOES = nullptr;
inline PFNGLFRAMEBUFFERTEXTURE2DOESPROC FramebufferTexture2DOES = nullptr;
inline PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVOESPROC GetFramebufferAttachmentParameterivOES = nullptr;
inline PFNGLGENERATEMIPMAPOESPROC GenerateMipmapOES = nullptr;

// GL_OES_draw_texture
inline PFNGLDRAWTEXSOESPROC DrawTexsOES = nullptr;
inline PFNGLDRAWTEXIOESPROC DrawTexiOES = nullptr;
inline PFNGLDRAWTEXFOESPROC DrawTexfOES = nullptr;
inline PFNGLDRAWTEXSVOESPROC DrawTexsvOES = nullptr;
inline PFNGLDRAWTEXIVOESPROC DrawTexivOES = nullptr;
inline PFNGLDRAWTEXFVOESPROC DrawTexfvOES = nullptr;

// GL_OES_mapbuffer
inline PFNGLMAPBUFFEROESPROC MapBufferOES = nullptr;
inline PFNGLUNMAPBUFFEROESPROC UnmapBufferOES = nullptr;
inline PFNGLGETBUFFERPOINTERVOESPROC GetBufferPointervOES = nullptr;

// GL_EXT_discard_framebuffer (may be absent: presenting then skips the hint)
inline PFNGLDISCARDFRAMEBUFFEREXTPROC DiscardFramebufferEXT = nullptr;

// Looks a function up by name; returns null when unknown.
using ProcLoader = void* (*)(const char* name);

// Fetches every pointer above with the loader (eglGetProcAddress when null).
// Needs a current context. Returns whether the framebuffer-object functions,
// which the engine cannot draw without, were all found.
[[nodiscard]] bool loadExtensions(ProcLoader loader = nullptr);

// True once loadExtensions() has run and found the framebuffer-object set.
bool framebufferObjectsLoaded();

} // namespace gl

// Whether the current context lists the extension in GL_EXTENSIONS (exact
// word match, so "GL_OES_depth24" does not match "GL_OES_depth").
bool glHasExtension(const char* name);

} // namespace mw
