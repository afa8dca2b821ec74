@echo off
rem Removes what install.cmd registered: uninstall.cmd, or uninstall.cmd /user.
call "%~dp0install.cmd" /uninstall %*
