// The noise suppressor's C interface. When the build finds the system library with this
// interface it uses that one; otherwise our own suppressor (denoise/*.cpp) provides it.
// Contract: 480-sample frames at 48 kHz in 16-bit sample scale, output exactly two frames
// (960 samples) behind input, one state per channel, no allocation after create.
#pragma once

#if defined(QUELLOR_SYSTEM_RNNOISE)
#include <rnnoise.h>
#else

#ifdef __cplusplus
extern "C" {
#endif

typedef struct DenoiseState DenoiseState;
typedef struct RNNModel RNNModel;

/* Size in bytes of one state, for callers that place it themselves with rnnoise_init. */
int rnnoise_get_size(void);

/* Samples per frame: 480 (10 ms at 48 kHz). */
int rnnoise_get_frame_size(void);

/* Initialises a state in caller-provided memory of rnnoise_get_size() bytes. The model
   argument selects the built-in model when null; any other value is ignored. Returns 0. */
int rnnoise_init(DenoiseState* st, RNNModel* model);

/* Allocates and initialises a state; null on allocation failure. */
DenoiseState* rnnoise_create(RNNModel* model);

/* Releases a state made by rnnoise_create; null is ignored. */
void rnnoise_destroy(DenoiseState* st);

/* Processes one frame of 480 samples (16-bit scale) from in to out (they may alias).
   Output lags input by exactly 960 samples. Returns a voice probability in [0, 1]. */
float rnnoise_process_frame(DenoiseState* st, float* out, const float* in);

#ifdef __cplusplus
}
#endif

#endif
