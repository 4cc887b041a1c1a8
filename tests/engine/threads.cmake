# The audio/editor exchange under real threads (also built by the ThreadSanitizer run),
# and a fingerprint of the engine's output that the test command compares between builds.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
quellor_test(engine_threads_test SOURCES ${_dir}/ExchangeThreadsTest.cpp LIBS quellor_app)
add_executable(engine_fingerprint ${_dir}/EngineFingerprint.cpp)
target_link_libraries(engine_fingerprint PRIVATE quellor_app)
