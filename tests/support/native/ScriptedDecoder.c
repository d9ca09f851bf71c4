/* A decoder plug-in that plays a script instead of a file: the file holds the DecoderInfo
 * it reports ("bits rate channels total") and the count each Read claims ("claim reads"),
 * so the readers' handling of a misbehaving plug-in can be tested. Each Read fills what it
 * claims, up to the capacity, with the byte 0x5A. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "decoder_plugin.h"
#include "plugin_file.h"

typedef struct Scripted {
    DecoderPlugin base;
    int claim;
    int reads;
} Scripted;

static int ScriptedOpen(DecoderPlugin* plugin, const wchar_t* path, DecoderInfo* info) {
    Scripted* self = (Scripted*)plugin;
    FILE* file = OpenPluginFile(path);
    if (!file) return 0;
    unsigned long long total = 0;
    const int fields = fscanf(file, "%d %d %d %llu %d %d", &info->bitsPerSample, &info->sampleRate, &info->channels,
                              &total, &self->claim, &self->reads);
    fclose(file);
    info->totalSamples = total;
    return fields == 6;
}

static void ScriptedClose(DecoderPlugin* plugin) { ((Scripted*)plugin)->reads = 0; }

static void ScriptedSeek(DecoderPlugin* plugin, uint64_t frame) {
    (void)plugin;
    (void)frame;
}

static int ScriptedRead(DecoderPlugin* plugin, void* buffer, int capacity) {
    Scripted* self = (Scripted*)plugin;
    if (self->reads <= 0) return 0;
    --self->reads;
    memset(buffer, 0x5A, (size_t)(self->claim < capacity ? self->claim : capacity));
    return self->claim;
}

static void ScriptedRelease(DecoderPlugin* plugin) { free(plugin); }

static const DecoderPluginOps kOps = {NULL, ScriptedOpen, ScriptedClose, ScriptedSeek, ScriptedRead, ScriptedRelease};

/* While ORVANE_SCRIPTED_NO_OBJECT is set, "Create" gives no object, as when short of memory. */
DECODER_EXPORT DecoderPlugin* Create(void) {
    if (getenv("ORVANE_SCRIPTED_NO_OBJECT")) return NULL;
    Scripted* self = (Scripted*)calloc(1, sizeof *self);
    if (self) self->base.ops = &kOps;
    return self ? &self->base : NULL;
}
