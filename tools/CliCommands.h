// The command table of picdex-cli. Each group of commands lives in its own file and
// hands out its entries through one function; CliMain.cpp joins the groups, finds the
// command named on the line and runs it.
//
// A command's run function returns the exit status: 0 on success, 1 on failure (the
// message has already been shown on standard error), 2 on a usage error (returned by
// CliArgs::UsageError, which prints the usage text).
#pragma once

#include "tools/CliArgs.h"

#include <span>

using CliArgs = CCliArgs;

struct CliCommand {
    const char* name;
    const char* usage; // the arguments after the command name
    const char* help;  // one line for the command list
    int (*run)(CliArgs&);
};

// create, info, password, index.
std::span<const CliCommand> DatabaseCommands();
// store, list, extract, delete, set-keywords.
std::span<const CliCommand> RecordCommands();
// identify, convert, render: pictures without a database (ImageCommands.cpp).
std::span<const CliCommand> ImageCommands();
// add: the collection's flows through the document (CollectionCommands.cpp).
std::span<const CliCommand> CollectionCommands();
// show, thumbnail, save-as, reconstruct: one record as the document shows it, and the
// reconstruction of the database (DocumentCommands.cpp).
std::span<const CliCommand> DocumentCommands();
// search, keywords: finding records and the keyword list (SearchCommands.cpp).
std::span<const CliCommand> SearchCommands();
// exchange, export, properties: pictures between databases and out of them
// (ExchangeCommands.cpp).
std::span<const CliCommand> ExchangeCommands();
// tag, transfer, duplicates: the commands on marked records (MarkCliCommands.cpp).
std::span<const CliCommand> MarkCliCommands();
// verify: the integrity check of a database (VerifyCommands.cpp).
std::span<const CliCommand> VerifyCommands();
