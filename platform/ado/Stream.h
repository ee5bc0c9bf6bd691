#pragma once
// The stream automation class, ProgID "Adodb.Stream" (any case): a block of
// bytes in memory read and written either as bytes or as text in a chosen
// character set.
//
// Members:
//   Type        get/put: 1 binary, 2 text (the default); settable only at
//               position 0
//   Mode        get/put: 0 unknown, 1 read, 2 write, 3 read/write; only while closed
//   State       get: 0 closed, 1 open
//   Open([source], [mode], …)   opens an empty stream
//   Close()     discards the bytes
//   Write(bytes)            binary: writes a byte array at the position
//   Read([count = -1])      binary: the bytes from the position (all, or at
//                           most count); VT_NULL when there are none
//   WriteText(text, [line]) text: writes the text in the charset; at the
//                           start of an empty stream "unicode" (UTF-16LE) and
//                           "utf-8" write their byte-order mark first
//   ReadText([count = -1])  text: the text from the position (all, -2 one
//                           line, or count characters); a byte-order mark of
//                           the charset at position 0 is skipped
//   Position    get/put byte offset (0 to Size)
//   Size, EOS   get
//   Charset     get/put name ("unicode" by default), see Charset.h
//   SetEOS()    cuts the stream at the position
// Wrong use fails the call with DISP_E_EXCEPTION, the platform's stream
// error code in EXCEPINFO's scode and a message.

#include "platform/com/ComTypes.h"

namespace quilbex::ado {

inline constexpr com::CLSID CLSID_Stream{0x00000566, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

// Registers the class; repeated calls are harmless.
void register_stream_class();

}  // namespace quilbex::ado
