#pragma once
// Views draw in software (no hardware acceleration). Left to itself, WebKit
// would still open a GL display in the process that hosts the views: one for
// the DMA-BUF renderer's buffers and one to find the GPU's render node for its
// web process, which brings Mesa's software GL with LLVM (some 50 MB) into the
// program for the rest of the day. Without the DMA-BUF renderer the views get
// their pages as shared-memory images, and a render node that is none keeps
// the web process from opening a device. A setting the member has made in the
// environment is kept.
//
// The environment may only be changed while no other thread can read it, so a
// program that hosts the engine calls this at start, before its first thread;
// the engine calls it again when it is set up (a no-op then).

#include <cstdlib>

namespace quilbex::engine {

inline void keep_gl_out_of_the_process() {
    ::setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 0);
    ::setenv("WEBKIT_WEB_RENDER_DEVICE_FILE", "/dev/null", 0);
}

}  // namespace quilbex::engine
