(self.webpackChunk_N_E=self.webpackChunk_N_E||[]).push([["fd9d1056-2e1f3a4b5c6d7e8f"],{}]);
