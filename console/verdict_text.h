// The run's closing words for people: the verdict wrapped; a command to
// copy on a line of its own, broken only where a shell takes it whole;
// and on a failure the transfer log's last lines.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

void SayVerdict(FILE* said, const std::string& words, const std::string& command);
// "Transfer log, last lines:" and the lines, on standard error.
void SayLogTail(const std::vector<std::string>& tail);
