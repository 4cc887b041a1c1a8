#include <cstdlib>
#include <new>

#include "denoise/Denoise.h"
#include "denoise/Suppressor.h"

extern "C" {

int rnnoise_get_size(void)
{
  return static_cast<int>(sizeof(DenoiseState));
}

int rnnoise_get_frame_size(void)
{
  return denoise::kFrame;
}

int rnnoise_init(DenoiseState* st, RNNModel* /*model: only the built-in one exists*/)
{
  if (!st)
    return -1;
  st->core.Init();
  return 0;
}

DenoiseState* rnnoise_create(RNNModel* model)
{
  void* memory = std::malloc(sizeof(DenoiseState));
  if (!memory)
    return nullptr;
  DenoiseState* st = new (memory) DenoiseState;
  rnnoise_init(st, model);
  return st;
}

void rnnoise_destroy(DenoiseState* st)
{
  if (!st)
    return;
  st->~DenoiseState();
  std::free(st);
}

float rnnoise_process_frame(DenoiseState* st, float* out, const float* in)
{
  if (!st || !out || !in)
    return 0.0f;
  return st->core.ProcessFrame(out, in);
}
}
