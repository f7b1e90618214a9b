#pragma once
// The game layer's console commands:
//   StartWorld NAME      the world change with its fade, as scripts ask for it
//   SetVariable NAME     sets a script variable (no setting object)
//   UnsetVariable NAME   unsets it
//   Variable NAME        prints one variable: type, set flag, seconds, value
//   Variables            prints every variable, newest first
//   LevelFrame           prints the level frame

void RegisterGameConsoleCommands();
