// The bank record of the VST2-compatible state envelope, as the VST3 wrapper reads and
// writes it. The wrapper includes this file inside its own namespace, so it must not
// include anything itself. All integers are stored big-endian.
#pragma once

struct fxBank
{
    int chunkMagic;  // 'CcnK'
    int byteSize;    // size of the record after this field, chunk included
    int fxMagic;     // 'FBCh': a bank holding one opaque chunk
    int version;     // 1 or 2
    int fxID;        // the plug-in's 32-bit ID
    int fxVersion;   // the plug-in's version
    int numPrograms;
    char future[128];

    union
    {
        struct
        {
            int size;      // chunk size in bytes
            char chunk[8]; // the chunk starts here, at byte 160 of the record
        } data;
    } content;
};

static_assert(sizeof(int) == 4, "fxBank fields are 32-bit");
