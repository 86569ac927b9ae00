# Builds the players' package: cmake -DSOURCE=... -DBUILD=... -DVERSION=...
# -P package.cmake. The players' README.txt is the player section of the
# repository's README.md, between its two markers, so the two cannot drift.
file(READ ${SOURCE}/README.md readme)
string(FIND "${readme}" "<!-- players: start -->" start)
string(FIND "${readme}" "<!-- players: end -->" end)
if(start EQUAL -1 OR end EQUAL -1 OR end LESS start)
    message(FATAL_ERROR "README.md lacks the players' section markers")
endif()
string(LENGTH "<!-- players: start -->" marker)
math(EXPR from "${start} + ${marker}")
math(EXPR length "${end} - ${from}")
string(SUBSTRING "${readme}" ${from} ${length} players)
string(STRIP "${players}" players)
# Notepad shows Windows line ends best.
string(REPLACE "\n" "\r\n" players "${players}")

set(stage ${BUILD}/package/Korvane-${VERSION}-win64)
file(REMOVE_RECURSE ${BUILD}/package)
file(MAKE_DIRECTORY ${stage})
file(WRITE ${stage}/README.txt "${players}\r\n")
# Never the substitute ScriptHookV.dll: a player who copied it into the
# game's folder would replace the real host.
foreach(name Korvane.asi korvane-ini-check.exe)
    file(COPY ${BUILD}/${name} DESTINATION ${stage})
endforeach()
file(COPY ${SOURCE}/dist/Korvane.ini DESTINATION ${stage})
set(zip ${BUILD}/Korvane-${VERSION}-win64.zip)
file(REMOVE ${zip})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip
                        Korvane-${VERSION}-win64
                WORKING_DIRECTORY ${BUILD}/package RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not write ${zip}")
endif()
message(STATUS "Wrote ${zip}")
