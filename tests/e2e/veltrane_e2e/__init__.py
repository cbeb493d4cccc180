"""The end-to-end tests of the launchers and the checker under Wine.

wine.py is the harness (Xvfb, prefix, wineserver, programs run); case.py a
case's folder and launches; expect.py and layouts.py what cases share; the
*_cases.py files the cases by area; main.py the run (see ../run_e2e.py).
"""
