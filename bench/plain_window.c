/* plain_window: the yardstick for the game's drawing. A plain SDL2 program, written apart from
 * the game and sharing none of its code, that draws one frame from a draw list the way a careful
 * program would on a machine without a GPU: SDL's software renderer into an 800 x 600 surface of
 * its own, opaque pictures copied without blending, texts rendered once, and the frame put on the
 * window's surface (copied at 1:1, else stretched smoothly into the middle with black bars).
 *
 *   plain_window LIST ASSETS DATA [--seconds=T] [--fullscreen] [--once]
 *
 * LIST has one line per item (bench/window_frame.cpp writes it):
 *   picture NAME KEY              ASSETS/NAME.png; KEY is the colour (RRGGBB) made transparent, or -
 *   sound NAME                    ASSETS/NAME.wav, converted for the audio device
 *   module PATH                   DATA/PATH, a module played with libxmp while the program runs
 *   draw NAME SX SY SW SH DX DY DW DH OPACITY
 *   rotate NAME SX SY SW SH DX DY DW DH OPACITY DEGREES
 *   fill X Y W H RRGGBB
 *   text FONTFILE SIZE RRGGBB X Y TEXT
 * Lines of other kinds are skipped. --once draws and shows one frame and ends (start-up timing);
 * otherwise the frame is drawn 60 times a second for T seconds (0: until closed). It prints
 * "ready" after the first shown frame, "frames N" on SIGUSR1 and at the end. */

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xmp.h>

enum { W = 800, H = 600, MAX_ITEMS = 4096 };

typedef struct {
    char name[128];
    SDL_Texture* texture;
    int opaque;
    int opacity;
} Picture;

typedef enum { OP_DRAW, OP_ROTATE, OP_FILL, OP_TEXT } OpKind;

typedef struct {
    OpKind kind;
    int picture;
    SDL_Texture* text;
    SDL_Rect src, dst;
    int opacity;
    double degrees;
    Uint8 r, g, b;
} Op;

static Picture pictures[MAX_ITEMS];
static int pictureCount;
static Op ops[MAX_ITEMS];
static int opCount;
static Uint8* sounds[MAX_ITEMS];
static int soundCount;
static xmp_context music;
static int musicPlaying;
static SDL_AudioDeviceID audio;
static SDL_AudioSpec audioSpec;
static volatile sig_atomic_t reportAsked;

static void AskReport(int signal_number) {
    (void)signal_number;
    reportAsked = 1;
}

static void Fail(const char* what, const char* detail) {
    fprintf(stderr, "plain_window: %s: %s\n", what, detail);
    exit(1);
}

static int FindPicture(const char* name) {
    for (int i = 0; i < pictureCount; ++i)
        if (strcmp(pictures[i].name, name) == 0) return i;
    Fail("no picture", name);
    return -1;
}

static void LoadPicture(SDL_Renderer* renderer, const char* assets, const char* name, const char* key) {
    char path[1024];
    snprintf(path, sizeof path, "%s/%s.png", assets, name);
    SDL_Surface* loaded = IMG_Load(path);
    if (loaded == NULL) Fail(path, IMG_GetError());
    SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (s == NULL) Fail(path, SDL_GetError());
    const Uint32 keyRgb = strcmp(key, "-") == 0 ? 0xFFFFFFFFu : (Uint32)strtoul(key, NULL, 16);
    int opaque = 1;
    for (int y = 0; y < s->h; ++y) {
        Uint32* row = (Uint32*)((Uint8*)s->pixels + (size_t)y * (size_t)s->pitch);
        for (int x = 0; x < s->w; ++x) {
            if ((row[x] & 0xFFFFFF) == keyRgb) row[x] &= 0xFFFFFF;
            if ((row[x] >> 24) != 0xFF) opaque = 0;
        }
    }
    Picture* p = &pictures[pictureCount++];
    snprintf(p->name, sizeof p->name, "%s", name);
    p->texture = SDL_CreateTextureFromSurface(renderer, s);
    SDL_FreeSurface(s);
    if (p->texture == NULL) Fail(path, SDL_GetError());
    p->opaque = opaque;
    p->opacity = 255;
    SDL_SetTextureBlendMode(p->texture, opaque ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
}

static void AudioCallback(void* unused, Uint8* stream, int length) {
    (void)unused;
    if (!musicPlaying || xmp_play_buffer(music, stream, length, 0) != 0) memset(stream, 0, (size_t)length);
}

static void OpenAudio(void) {
    if (audio != 0) return;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) Fail("audio", SDL_GetError());
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = AudioCallback;
    audio = SDL_OpenAudioDevice(NULL, 0, &want, &audioSpec, 0);
    if (audio == 0) Fail("audio", SDL_GetError());
    SDL_PauseAudioDevice(audio, 0);
}

static void LoadSound(const char* assets, const char* name) {
    char path[1024];
    snprintf(path, sizeof path, "%s/%s.wav", assets, name);
    OpenAudio();
    SDL_AudioSpec spec;
    Uint8* samples = NULL;
    Uint32 length = 0;
    if (SDL_LoadWAV(path, &spec, &samples, &length) == NULL) Fail(path, SDL_GetError());
    SDL_AudioCVT cvt;
    SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, audioSpec.format, audioSpec.channels,
                      audioSpec.freq);
    cvt.len = (int)length;
    cvt.buf = SDL_malloc((size_t)length * (size_t)(cvt.len_mult > 0 ? cvt.len_mult : 1));
    memcpy(cvt.buf, samples, length);
    SDL_FreeWAV(samples);
    if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) Fail(path, SDL_GetError());
    sounds[soundCount++] = cvt.buf;
}

static void PlayModule(const char* data, const char* relative) {
    char path[1024];
    snprintf(path, sizeof path, "%s/%s", data, relative);
    OpenAudio();
    music = xmp_create_context();
    if (xmp_load_module(music, path) != 0) Fail("cannot load module", path);
    if (xmp_start_player(music, audioSpec.freq, 0) != 0) Fail("cannot play module", path);
    xmp_set_player(music, XMP_PLAYER_INTERP, XMP_INTERP_SPLINE);
    SDL_LockAudioDevice(audio);
    musicPlaying = 1;
    SDL_UnlockAudioDevice(audio);
}

/* Each font file and size is opened once. */
static TTF_Font* OpenFont(const char* file, int size) {
    static struct {
        char file[1024];
        int size;
        TTF_Font* font;
    } fonts[32];
    static int count;
    for (int i = 0; i < count; ++i)
        if (fonts[i].size == size && strcmp(fonts[i].file, file) == 0) return fonts[i].font;
    TTF_Font* font = TTF_OpenFontDPI(file, size, 96, 96);
    if (font == NULL) Fail(file, TTF_GetError());
    if (count < 32) {
        snprintf(fonts[count].file, sizeof fonts[count].file, "%s", file);
        fonts[count].size = size;
        fonts[count++].font = font;
    }
    return font;
}

static SDL_Texture* MakeText(SDL_Renderer* renderer, const char* file, int size, Uint32 rgb, const char* text,
                             SDL_Rect* rect) {
    TTF_Font* font = OpenFont(file, size);
    const SDL_Color color = {(Uint8)(rgb >> 16), (Uint8)(rgb >> 8), (Uint8)rgb, 255};
    SDL_Surface* s = TTF_RenderText_Blended(font, text, color);
    if (s == NULL) return NULL;
    SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, s);
    rect->w = s->w;
    rect->h = s->h;
    SDL_FreeSurface(s);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    return t;
}

static void ReadList(SDL_Renderer* renderer, const char* list, const char* assets, const char* data) {
    FILE* f = fopen(list, "r");
    if (f == NULL) Fail("cannot open", list);
    char line[2048];
    while (fgets(line, sizeof line, f) != NULL) {
        line[strcspn(line, "\r\n")] = 0;
        char word[16] = "";
        int at = 0;
        if (sscanf(line, "%15s %n", word, &at) != 1) continue;
        const char* rest = line + at;
        if (opCount >= MAX_ITEMS || pictureCount >= MAX_ITEMS || soundCount >= MAX_ITEMS)
            Fail("too long", list);
        Op* op = &ops[opCount];
        memset(op, 0, sizeof *op);
        char name[128], key[16], hex[16];
        if (strcmp(word, "picture") == 0 && sscanf(rest, "%127s %15s", name, key) == 2) {
            LoadPicture(renderer, assets, name, key);
        } else if (strcmp(word, "sound") == 0 && sscanf(rest, "%127s", name) == 1) {
            LoadSound(assets, name);
        } else if (strcmp(word, "module") == 0 && sscanf(rest, "%127s", name) == 1) {
            PlayModule(data, name);
        } else if ((strcmp(word, "draw") == 0 || strcmp(word, "rotate") == 0) &&
                   sscanf(rest, "%127s %d %d %d %d %d %d %d %d %d %lf", name, &op->src.x, &op->src.y,
                          &op->src.w, &op->src.h, &op->dst.x, &op->dst.y, &op->dst.w, &op->dst.h,
                          &op->opacity, &op->degrees) >= 10) {
            op->kind = word[0] == 'd' ? OP_DRAW : OP_ROTATE;
            op->picture = FindPicture(name);
            ++opCount;
        } else if (strcmp(word, "fill") == 0 && sscanf(rest, "%d %d %d %d %15s", &op->dst.x, &op->dst.y,
                                                       &op->dst.w, &op->dst.h, hex) == 5) {
            const Uint32 rgb = (Uint32)strtoul(hex, NULL, 16);
            op->kind = OP_FILL;
            op->r = (Uint8)(rgb >> 16);
            op->g = (Uint8)(rgb >> 8);
            op->b = (Uint8)rgb;
            ++opCount;
        } else if (strcmp(word, "text") == 0) {
            char file[1024];
            int size = 0, used = 0;
            if (sscanf(rest, "%1023s %d %15s %d %d %n", file, &size, hex, &op->dst.x, &op->dst.y, &used) < 5)
                continue;
            op->kind = OP_TEXT;
            op->text = MakeText(renderer, file, size, (Uint32)strtoul(hex, NULL, 16), rest + used, &op->dst);
            if (op->text != NULL) ++opCount;
        }
    }
    fclose(f);
}

static void DrawFrame(SDL_Renderer* renderer) {
    for (int i = 0; i < opCount; ++i) {
        const Op* op = &ops[i];
        switch (op->kind) {
            case OP_DRAW:
            case OP_ROTATE: {
                Picture* p = &pictures[op->picture];
                if (p->opacity != op->opacity) {
                    p->opacity = op->opacity;
                    SDL_SetTextureAlphaMod(p->texture, (Uint8)op->opacity);
                    if (p->opaque)
                        SDL_SetTextureBlendMode(
                            p->texture, op->opacity >= 255 ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
                }
                if (op->kind == OP_DRAW)
                    SDL_RenderCopy(renderer, p->texture, &op->src, &op->dst);
                else
                    SDL_RenderCopyEx(renderer, p->texture, &op->src, &op->dst, op->degrees, NULL,
                                     SDL_FLIP_NONE);
                break;
            }
            case OP_FILL:
                SDL_SetRenderDrawColor(renderer, op->r, op->g, op->b, 255);
                SDL_RenderFillRect(renderer, &op->dst);
                break;
            case OP_TEXT:
                SDL_RenderCopy(renderer, op->text, NULL, &op->dst);
                break;
        }
    }
}

/* The frame onto the window's surface: at 1:1 a copy, else scaled as large as fits with its
 * aspect kept, centred, and black bars around it. */
static void Present(SDL_Window* window, SDL_Surface* frame) {
    SDL_Surface* out = SDL_GetWindowSurface(window);
    if (out == NULL) return;
    double scale = (double)out->w / W;
    if ((double)out->h / H < scale) scale = (double)out->h / H;
    SDL_Rect dst;
    dst.w = (int)(W * scale + 0.5);
    dst.h = (int)(H * scale + 0.5);
    dst.x = (out->w - dst.w) / 2;
    dst.y = (out->h - dst.h) / 2;
    if (dst.w == W && dst.h == H) {
        SDL_Rect at = dst;
        SDL_BlitSurface(frame, NULL, out, &at);
    } else {
        SDL_SoftStretchLinear(frame, NULL, out, &dst);
    }
    const Uint32 black = SDL_MapRGB(out->format, 0, 0, 0);
    const SDL_Rect bars[4] = {{0, 0, out->w, dst.y},
                              {0, dst.y + dst.h, out->w, out->h - dst.y - dst.h},
                              {0, dst.y, dst.x, dst.h},
                              {dst.x + dst.w, dst.y, out->w - dst.x - dst.w, dst.h}};
    for (int i = 0; i < 4; ++i)
        if (bars[i].w > 0 && bars[i].h > 0) SDL_FillRect(out, &bars[i], black);
    SDL_UpdateWindowSurface(window);
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: plain_window LIST ASSETS DATA [--seconds=T] [--fullscreen] [--once]\n");
        return 2;
    }
    double seconds = 0;
    int fullScreen = 0, once = 0;
    for (int i = 4; i < argc; ++i) {
        if (strncmp(argv[i], "--seconds=", 10) == 0)
            seconds = atof(argv[i] + 10);
        else if (strcmp(argv[i], "--fullscreen") == 0)
            fullScreen = 1;
        else if (strcmp(argv[i], "--once") == 0)
            once = 1;
        else
            Fail("unknown option", argv[i]);
    }
    signal(SIGUSR1, AskReport);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || TTF_Init() != 0) Fail("SDL_Init", SDL_GetError());
    SDL_Window* window = SDL_CreateWindow(
        "Plain SDL", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, W, H,
        SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
    if (window == NULL) Fail("SDL_CreateWindow", SDL_GetError());
    /* In the window surface's format, so that the copy at 1:1 is a copy of rows. */
    Uint32 format = SDL_GetWindowPixelFormat(window);
    if (format == SDL_PIXELFORMAT_UNKNOWN || SDL_BYTESPERPIXEL(format) != 4) format = SDL_PIXELFORMAT_RGB888;
    SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormat(0, W, H, 32, format);
    if (frame == NULL) Fail("frame", SDL_GetError());
    SDL_SetSurfaceBlendMode(frame, SDL_BLENDMODE_NONE);
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(frame);
    if (renderer == NULL) Fail("SDL_CreateSoftwareRenderer", SDL_GetError());
    ReadList(renderer, argv[1], argv[2], argv[3]);
    SDL_ShowWindow(window);

    const Uint64 rate = SDL_GetPerformanceFrequency();
    const Uint64 start = SDL_GetPerformanceCounter();
    const Uint64 end = seconds > 0 ? start + (Uint64)(seconds * (double)rate) : 0;
    long long frames = 0;
    for (int running = 1; running;) {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0)
            if (event.type == SDL_QUIT) running = 0;
        if (!running) break;
        DrawFrame(renderer);
        Present(window, frame);
        if (++frames == 1) {
            printf("ready\n");
            fflush(stdout);
        }
        if (once) break;
        if (reportAsked) {
            reportAsked = 0;
            printf("frames %lld\n", frames);
            fflush(stdout);
        }
        const Uint64 now = SDL_GetPerformanceCounter();
        if (end != 0 && now >= end) break;
        const Uint64 next = start + (Uint64)frames * rate / 60;
        if (next > now) SDL_Delay((Uint32)((next - now) * 1000 / rate));
    }
    printf("frames %lld\n", frames);

    if (audio != 0) SDL_CloseAudioDevice(audio);
    if (music != NULL) {
        if (musicPlaying) xmp_end_player(music);
        xmp_release_module(music);
        xmp_free_context(music);
    }
    for (int i = 0; i < soundCount; ++i) SDL_free(sounds[i]);
    for (int i = 0; i < opCount; ++i)
        if (ops[i].text != NULL) SDL_DestroyTexture(ops[i].text);
    for (int i = 0; i < pictureCount; ++i) SDL_DestroyTexture(pictures[i].texture);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(frame);
    SDL_DestroyWindow(window);
    TTF_Quit();
    SDL_Quit();
    return 0;
}
