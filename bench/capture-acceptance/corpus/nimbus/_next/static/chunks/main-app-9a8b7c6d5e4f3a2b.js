(self.webpackChunk_N_E=self.webpackChunk_N_E||[]).push([["main-app-9a8b7c6d5e4f3a2b"],{}]);
