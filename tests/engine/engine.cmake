# Engine core: deterministic math, FFT, notch bank, detector, exchange, plug-in class.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
quellor_test(engine_math_test SOURCES ${_dir}/DetMathTest.cpp ${_dir}/ComplexFftTest.cpp LIBS quellor_engine)
quellor_test(engine_notch_test
  SOURCES ${_dir}/NotchBankTest.cpp ${_dir}/DetectorTest.cpp ${_dir}/ExchangeTest.cpp
  LIBS quellor_engine)
quellor_test(engine_quellor_test SOURCES ${_dir}/QuellorTest.cpp LIBS quellor_app)
# quellor-render's option parsing and built-in scenario (plain C++, no sound file library needed).
quellor_test(render_tool_test
  SOURCES ${_dir}/RenderToolTest.cpp ${CMAKE_SOURCE_DIR}/tools/render/Options.cpp
          ${CMAKE_SOURCE_DIR}/tools/render/Scenario.cpp ${CMAKE_SOURCE_DIR}/tools/render/FeedbackScenario.cpp
  LINUX_ONLY)
