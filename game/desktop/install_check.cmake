# Run by ctest: installs the build into a scratch prefix, checks that the game, its clips, the
# launcher, the icon and the desktop entry are there, then starts the game through the
# launcher from a folder outside both trees. Once the title shows, the running game's working
# folder must be the one holding its clips; a TERM signal then closes it like the window's
# close button, with status 0.
set(root ${BUILD_DIR}/game_install_check)
set(prefix ${root}/prefix)
file(REMOVE_RECURSE ${root})
file(MAKE_DIRECTORY ${root}/work)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

file(GLOB clips RELATIVE ${CLIPS} ${CLIPS}/*.wav)
list(LENGTH clips n)
if(NOT n EQUAL 22)
  message(FATAL_ERROR "expected the game's 22 clips in ${CLIPS}, found ${n}")
endif()
foreach(f ${BINDIR}/kestravelle ${GAMEDIR}/kestravelle ${DATADIR}/applications/kestravelle.desktop
          ${DATADIR}/icons/hicolor/64x64/apps/kestravelle.png)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
foreach(clip ${clips})
  if(NOT EXISTS ${prefix}/${GAMEDIR}/${clip})
    message(FATAL_ERROR "clip not installed beside the game: ${clip}")
  endif()
endforeach()

file(STRINGS ${prefix}/${DATADIR}/applications/kestravelle.desktop entry)
foreach(want "Exec=\"${prefix}/${BINDIR}/kestravelle\""
             "Icon=${prefix}/${DATADIR}/icons/hicolor/64x64/apps/kestravelle.png" "Type=Application")
  list(FIND entry "${want}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the desktop entry lacks the line ${want}: ${entry}")
  endif()
endforeach()

# The launcher, started from the work folder: wait (with a deadline) for the title's dump,
# read the game's working folder, then close it.
file(WRITE ${root}/work/script.txt "until 2 13 10000 Kestravelle\ntext shown.txt\nwait 60000\nclose\n")
file(WRITE ${root}/work/run.sh [=[
KEL_SCRIPT=script.txt "$1" &
pid=$!
i=0
while [ ! -s shown.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
cwd=$(readlink /proc/$pid/cwd)
kill -TERM $pid
wait $pid
status=$?
echo "$cwd"
exit $status
]=])
execute_process(COMMAND sh run.sh ${prefix}/${BINDIR}/kestravelle WORKING_DIRECTORY ${root}/work
  RESULT_VARIABLE rc OUTPUT_VARIABLE cwd ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE TIMEOUT 90)
if(NOT EXISTS ${root}/work/shown.txt)
  message(FATAL_ERROR "the installed game did not show its title: ${err}")
endif()
file(STRINGS ${root}/work/shown.txt title LIMIT_COUNT 2)
list(GET title 1 row2)
if(NOT row2 MATCHES "^ +Kestravelle")
  message(FATAL_ERROR "unexpected title row: ${row2}")
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed game ended with ${rc}: ${err}")
endif()
file(REAL_PATH ${prefix}/${GAMEDIR} gamedir)
if(NOT cwd STREQUAL gamedir)
  message(FATAL_ERROR "the installed game works in '${cwd}', not beside its clips in ${gamedir}")
endif()
