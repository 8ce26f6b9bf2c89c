// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class OperateDBusData;
class TrafficDetailsWorker;
class UseData;
class WardenHandleThread;

// Builds the service: the worker with its store, the bus object and the display thread, joined
// to each other. They live until the process ends.
class ServiceAssembly
{
public:
    // Builds and registers the service on the session bus; returns the status the process ends
    // with when that fails, or -1 once it serves.
    int start();
    // Saves the growth since the last save tick and waits up to a second for the store to
    // write it. For the way out, once the event loop has ended.
    void saveOnExit();

private:
    void connectParts();

    TrafficDetailsWorker *m_worker = nullptr;
    UseData *m_useData = nullptr;
    OperateDBusData *m_bus = nullptr;
    WardenHandleThread *m_handleThread = nullptr;
};
