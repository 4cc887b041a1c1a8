# Noise and reverb reduction stages, and the suppressor behind them.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
quellor_test(engine_stages_test
  SOURCES ${_dir}/stages_reverb_reducer.cpp ${_dir}/stages_noise_reducer.cpp ${_dir}/stages_resampler.cpp
  LIBS quellor_engine)
quellor_test(denoise_suppressor_test
  SOURCES ${_dir}/denoise_suppressor.cpp
  LIBS quellor_denoise)
