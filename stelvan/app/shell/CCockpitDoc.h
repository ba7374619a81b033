#pragma once
// The document of the single-document frame. It carries no data: everything the window shows
// comes from the receiver session held by the application object.
class CCockpitDoc {};
