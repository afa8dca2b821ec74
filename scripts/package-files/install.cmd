@echo off
rem Registers NvxWebSvc (and the SOAP toolkit beside it) from this folder.
rem   install.cmd         for every user of the machine (run as administrator)
rem   install.cmd /user   for the current user only (no administrator rights)
rem uninstall.cmd [/user] removes it again. On 64-bit Windows both builds are
rem registered, each by the regsvr32 of its own bitness: x64 by System32's,
rem x86 by SysWOW64's.
setlocal
set "HERE=%~dp0"
set "SCOPE=/i"
set "ACTION="
:options
if /i "%~1"=="/user" set "SCOPE=/i:user"
if /i "%~1"=="/uninstall" set "ACTION=/u"
shift
if not "%~1"=="" goto options

set "NATIVE=%WINDIR%\System32"
rem A 32-bit cmd.exe sees SysWOW64 as System32; Sysnative is the real one.
if exist "%WINDIR%\Sysnative\regsvr32.exe" set "NATIVE=%WINDIR%\Sysnative"
set "WINDOWS64="
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" set "WINDOWS64=1"
if defined PROCESSOR_ARCHITEW6432 set "WINDOWS64=1"
if not defined WINDOWS64 goto windows32
call :run "%NATIVE%\regsvr32.exe" "%HERE%x64\NvxWebSvc.dll"
if errorlevel 1 exit /b 1
if not exist "%HERE%x86\NvxWebSvc.dll" goto done
call :run "%WINDIR%\SysWOW64\regsvr32.exe" "%HERE%x86\NvxWebSvc.dll"
if errorlevel 1 exit /b 1
goto done
:windows32
call :run "%NATIVE%\regsvr32.exe" "%HERE%x86\NvxWebSvc.dll"
if errorlevel 1 exit /b 1
:done
echo NvxWebSvc: done.
exit /b 0

:run
%1 /s %ACTION% /n %SCOPE% %2
if errorlevel 1 echo NvxWebSvc: %~nx1 %ACTION% /n %SCOPE% %2 failed 1>&2
exit /b %ERRORLEVEL%
