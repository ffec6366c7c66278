# The fuzz targets: for each, its entry function, its source under fuzz/ and the libraries whose
# readers it drives. Read by fuzz/CMakeLists.txt (the libFuzzer programs) and by
# tests/fuzz/CMakeLists.txt (the replay of the stored inputs in the normal build).
set(CARDHALL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
set(CARDHALL_FUZZ_SUPPORT_SOURCES
  ${CARDHALL_FUZZ_DIR}/support/FuzzCheck.cpp
  ${CARDHALL_FUZZ_DIR}/support/JsonOracle.cpp)

set(CARDHALL_FUZZ_TARGETS server_message frame_stream card_list card_rules request round_trip game_server bot_player)

set(fuzz_server_message_function fuzzServerMessage)
set(fuzz_server_message_source targets/ServerMessage.cpp)
set(fuzz_server_message_libraries cardhall_protocol)

set(fuzz_frame_stream_function fuzzFrameStream)
set(fuzz_frame_stream_source targets/FrameStream.cpp)
set(fuzz_frame_stream_libraries cardhall_protocol)

set(fuzz_card_list_function fuzzCardList)
set(fuzz_card_list_source targets/CardList.cpp)
set(fuzz_card_list_libraries cardhall_rules cardhall_protocol)

set(fuzz_card_rules_function fuzzCardRules)
set(fuzz_card_rules_source targets/CardRules.cpp)
set(fuzz_card_rules_libraries cardhall_rules)

set(fuzz_request_function fuzzRequest)
set(fuzz_request_source targets/Request.cpp)
set(fuzz_request_libraries cardhall_protocol cardhall_rules)

set(fuzz_round_trip_function fuzzRoundTrip)
set(fuzz_round_trip_source targets/RoundTrip.cpp)
set(fuzz_round_trip_libraries cardhall_protocol cardhall_rules)

set(fuzz_game_server_function fuzzGameServer)
set(fuzz_game_server_source targets/GameServer.cpp)
set(fuzz_game_server_libraries cardhall_server_core cardhall_protocol cardhall_rules)

set(fuzz_bot_player_function fuzzBotPlayer)
set(fuzz_bot_player_source targets/BotPlayer.cpp)
set(fuzz_bot_player_libraries cardhall_server_core cardhall_rules)

# True in `out` when every library that target `name` needs has been defined.
function(cardhall_fuzz_target_available name out)
  set(available TRUE)
  if(NOT EXISTS ${CARDHALL_FUZZ_DIR}/${fuzz_${name}_source})
    set(available FALSE)
  endif()
  foreach(lib ${fuzz_${name}_libraries})
    if(NOT TARGET ${lib})
      set(available FALSE)
    endif()
  endforeach()
  set(${out} ${available} PARENT_SCOPE)
endfunction()
