@echo off
rem korvane-flash from any console: the program lives beside its DLLs, one folder up.
"%~dp0..\korvane-flash.exe" %*
